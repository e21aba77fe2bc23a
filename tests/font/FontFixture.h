#pragma once

#include "framework/font/StandaloneFontHost.h"
#include "framework/graphics/ImageContext.h"
#include "framework/imagelib/ImageLib.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Zorbel::Testing {

// Image font tests write their descriptors and glyph pictures into a scratch folder and load them
// through a headless host that keeps the error texts.
class FontFixture : public ::testing::Test {
protected:
    // A picture of width x height, opaque white, written as PNG; returns its path.
    std::string WhitePicture(const std::string& name, int width, int height) {
        auto picture = ImageLib::Image::Create(width, height, false);
        for (size_t i = 0; i < picture->GetPixelCount(); ++i)
            picture->GetBits()[i] = 0xFFFFFFFF;
        EXPECT_TRUE(ImageLib::WritePng(folder.Path(name), *picture));
        return folder.Path(name);
    }

    // The message of each error shown, without the header naming the file and the command.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (std::string text : host.Errors()) {
            text = text.substr(text.find("\r\n") + 2);
            messages.push_back(text.substr(0, text.find(" on Line ")));
        }
        return messages;
    }

    ScratchFolder folder{"zorbel-fonts"};
    ImageContext context;
    StandaloneFontHost host{context};
};

} // namespace Zorbel::Testing
