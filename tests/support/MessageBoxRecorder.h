#pragma once
// Records every message box instead of showing it, for the life of the
// object, so tests can check the exact texts the engine reports.
#include <string>
#include <vector>

#include "platform/window/Window.h"

class MessageBoxRecorder {
public:
    MessageBoxRecorder() {
        plat::SetMessageBoxSink([this](const std::string& text, const std::string&) {
            texts.push_back(text);
        });
    }
    ~MessageBoxRecorder() { plat::SetMessageBoxSink(nullptr); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<std::string> texts;
};
