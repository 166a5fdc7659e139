// A KiCad board written in the test as text, loaded into a fresh host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hostpcb/Host.h"
#include "io/BoardFiles.h"
#include "TestFiles.h"

namespace iotest {

class TextBoardTest : public ::testing::Test {
protected:
    // Writes the board text to the scratch folder and loads it.
    void Load(const std::string& fileName, const char* text) {
        hostpcb::Host::Instance().Reset();
        path_ = dir_.file(fileName);
        WriteFile(path_, text);
        loaded_ = io::LoadBoardFile(path_);
    }
    void TearDown() override {
        loaded_.reset();
        hostpcb::Host::Instance().Reset();
    }
    hostpcb::Board& board() { return *loaded_->board; }
    const hostpcb::Component& part(const char* name) { return *board().FindComponent(name); }

    ScratchDir dir_;
    std::string path_;
    std::unique_ptr<io::LoadedBoard> loaded_;
};

}  // namespace iotest
