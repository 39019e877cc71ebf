// The window seam: everything the commands need of the main window. The Qt window implements it
// for korvane; RecordingWindow implements it for korvane-cli and the tests.
#pragma once

#include "Algemeen.h"
#include "DrawingRecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Unit1 {

enum class MenuItem
{
    File1,
    Process1,
    Select1
};

enum class CursorKind
{
    Default,
    Hourglass,
    HandPoint
};

enum class MouseButton
{
    Left,
    Right,
    Middle
};

class Window : public Algemeen::EventPump
{
public:
    // The text line Edit1.
    virtual void SetEditText(const std::string& text) = 0;
    virtual void SetEditColour(Algemeen::Colour colour) = 0;
    virtual void SetEditEnabled(bool enabled) = 0;

    virtual void SetMenuEnabled(MenuItem item, bool enabled) = 0;
    virtual void SetFormCursor(CursorKind cursor) = 0;  // the main window
    virtual void SetImageCursor(CursorKind cursor) = 0; // Image1

    // The open-picture dialog: the chosen path, or none when cancelled.
    virtual std::optional<std::string> RunOpenDialog() = 0;
    // A modal message box with one OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // An instruction the user needs once, such as how to pick a card. A window that has a place for
    // hints shows it there instead of a modal box; by default it is a message box.
    virtual void ShowInstruction(const std::string& text, const std::string& caption)
    {
        ShowMessage(text, caption);
    }
    // The general report of an unexpected error inside a command.
    virtual void ShowError(const std::string& text) = 0;

    // The image area Image1.
    virtual void SetImageSize(std::int32_t width, std::int32_t height) = 0;
    virtual void ShowPictureFile(const std::string& fileName) = 0;
    // Shows a drawing in place of the picture; the image keeps its own copy.
    virtual void ShowBitmap(const DrawingRecord& bitmap) = 0;
    // Sets one pixel of the shown picture; positions outside it change nothing.
    virtual void SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour) = 0;
    // False when pixels set on the picture are never seen (a headless run that saves no picture):
    // the grid dots are then not worked out at all.
    virtual bool ShowsPixels() const { return true; }
    virtual void Repaint() = 0;

    virtual void Close() = 0;
};

} // namespace Unit1
