#pragma once
// The names under which systems register in eTable. Each name is one shared
// constant: the registry compares names by address, so every user must pass
// these very objects (a string with the same text elsewhere is another key).
// The name of an unregistered class doubles as its type tag in the same way.

namespace names {
// The application object and its seven children.
inline constexpr char DIva[] = "DIva";
inline constexpr char Video[] = "Video";
inline constexpr char Input[] = "Input";
inline constexpr char Audio[] = "Audio";
inline constexpr char Timer[] = "Timer";
inline constexpr char Cursor[] = "Cursor";
inline constexpr char GameLogic[] = "GameLogic";
inline constexpr char Console[] = "Console";

// Children of "Video".
inline constexpr char MatrixMan[] = "MatrixMan";
inline constexpr char Camera[] = "Camera";
inline constexpr char LightMan[] = "LightMan";
inline constexpr char MeshMan[] = "MeshMan";
inline constexpr char TextureMan[] = "TextureMan";
inline constexpr char EffectsMan[] = "EffectsMan";
inline constexpr char MaterialMan[] = "MaterialMan";
inline constexpr char MainScene[] = "Main Scene";
inline constexpr char ManagedQuadBuffer[] = "ManagedQuadBuffer";
inline constexpr char TextMan[] = "TextMan";

// The scene's shadow-buffer owner, and the type tags of render objects
// (never registered).
inline constexpr char BufferMan[] = "BufferMan";
inline constexpr char ObjectMesh[] = "ObjectMesh";
inline constexpr char ObjectCustom[] = "ObjectCustom";
inline constexpr char ObjectLine[] = "ObjectLine";
inline constexpr char ObjectSpline[] = "ObjectSpline";
inline constexpr char ObjectScreenQuad[] = "ObjectScreenQuad";

// Child of "Input".
inline constexpr char Bindings[] = "Bindings";

// Children of "GameLogic".
inline constexpr char Physics[] = "Physics";
inline constexpr char GameObjectsMan[] = "GameObjectsMan";
inline constexpr char AIMan[] = "AIMan";
inline constexpr char AI_Camera[] = "AI_Camera";
inline constexpr char PathMan[] = "PathMan";
inline constexpr char AnimationMan[] = "AnimationMan";
inline constexpr char PythonMan[] = "PythonMan";
inline constexpr char EventHandler[] = "EventHandler";
inline constexpr char HUD[] = "HUD";

// The two editors, children of the application once they exist; the
// console's editor commands look them up and are silent without them.
inline constexpr char Editor[] = "Editor";
inline constexpr char AnimationEditor[] = "AnimationEditor";
// The animation editor's own game-object manager, registered while
// animation mode is on, and the type tags of the objects it holds.
inline constexpr char EditorObjects[] = "EditorObjects";
inline constexpr char EditChar[] = "EditChar";
inline constexpr char EditNode[] = "EditNode";

// User-interface objects: not registered (there are many); the name is their
// type tag, as trigger conditions ask whether a UI object is a "Button".
inline constexpr char HUDText[] = "HUDText";
inline constexpr char Button[] = "Button";
inline constexpr char SplashScreen[] = "SplashScreen";
inline constexpr char Fire[] = "Fire";
inline constexpr char UIObject[] = "UIOBject";
inline constexpr char SliderBar[] = "SliderBar";
} // namespace names
