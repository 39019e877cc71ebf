// The window as every Qt test sets it up: a scratch directory as the current one, a captured
// console and clock handed to the window (which owns its run state), the 900 x 700 test picture big.bmp (a 10
// x 10 black square at 150 dpi), and a shown window whose file dialog answers `answer` and whose message
// boxes are recorded instead of shown.
#pragma once

#include "BMPunit.h"
#include "TForm1.h"
#include "TestSupport.h"

#include <QSize>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class WindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BMPunit::BitImage image(900, 700, false);
        for (int y = 100; y < 110; ++y)
            for (int x = 200; x < 210; ++x)
                image.Set(x, y, true);
        BMPunit::WriteFileBytes("big.bmp", BMPunit::EncodeBitmap(image, 5906));
        MakeForm();
    }

    // A new window in place of the old one; shown at `size` when it is valid, else at its own.
    void MakeForm()
    {
        form = std::make_unique<Unit1::TForm1>(platform.console, platform.clock, "ibmkaart.txt");
        form->chooseFile = [this] { return answer; };
        form->showMessage = [this](const std::string& text, const std::string&) { messages.push_back(text); };
        form->showError = [this](const std::string& text) { errors.push_back(text); };
        if (size.isValid())
            form->resize(size);
        form->show();
    }

    QSize size; // set before SetUp runs to show the window at this size
    TestSupport::ScratchDir dir;
    TestSupport::CapturedPlatform platform;
    std::unique_ptr<Unit1::TForm1> form;
    std::optional<std::string> answer;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};
