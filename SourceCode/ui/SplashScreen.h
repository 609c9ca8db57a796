#pragma once
// A full-screen textured quad with an optional caption in the middle of the
// screen, drawn by "TextMan"; quad and caption can each fade toward a colour.
// Its creator sets the picture (texture slot 0 of Quad()).
#include <string>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class ObjectScreenQuad;
class Text;

class SplashScreen : public System {
public:
    // The caption's face, one shared literal: "TextMan" tells fonts apart
    // by the address of their face name.
    static constexpr const char* kCaptionFace = "Bubbly Frog";

    SplashScreen() = default;
    ~SplashScreen() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Replaces the caption: word-wrapped in 20-80 % of the back buffer, in
    // "Bubbly Frog" at 50/1024 of its height.
    void SetCaption(const std::string& text);
    // A rate above 0 starts a fade that never ends by itself; each frame
    // every component moves by frame time x rate of what is left.
    void SetQuadFade(float rate, const float rgba[4]);
    void SetCaptionFade(float rate, const float rgba[4]);

    ObjectScreenQuad* Quad() const { return quad; }
    Text* Caption() const { return caption; }
    const std::string& CaptionText() const { return captionText; }

private:
    void RemoveCaption();
    void FadeQuad(float k);
    void FadeCaption(float k);

    ObjectScreenQuad* quad = nullptr;  // owned by "Main Scene"
    Text* caption = nullptr;           // owned by "TextMan"
    // The caption's colour as it fades; its 32-bit colour is this rounded,
    // so steps smaller than half a level still add up.
    D3DXCOLOR captionColour{1.0f, 1.0f, 1.0f, 1.0f};
    std::string captionText;
    float quadFadeRate = 0.0f;
    float captionFadeRate = 0.0f;
    float quadFadeTarget[4] = {0, 0, 0, 0};
    float captionFadeTarget[4] = {0, 0, 0, 0};
};
