#include "RecordingWindow.h"

namespace Unit1 {

const char* MenuItemName(MenuItem item)
{
    switch (item) {
    case MenuItem::File1:
        return "File1";
    case MenuItem::Process1:
        return "Process1";
    case MenuItem::Select1:
        return "Select1";
    }
    return "?";
}

namespace {
const char* CursorName(CursorKind cursor)
{
    switch (cursor) {
    case CursorKind::Default:
        return "Default";
    case CursorKind::Hourglass:
        return "Hourglass";
    case CursorKind::HandPoint:
        return "HandPoint";
    }
    return "?";
}
} // namespace

RecordingWindow::RecordingWindow()
{
    menus_[MenuItem::File1] = true;
    menus_[MenuItem::Process1] = true;
    menus_[MenuItem::Select1] = true;
}

void RecordingWindow::Record(std::string call)
{
    calls_.push_back(std::move(call));
}

void RecordingWindow::SetEditText(const std::string& text)
{
    editText_ = text;
    Record("SetEditText(" + text + ")");
}

void RecordingWindow::SetEditColour(Algemeen::Colour colour)
{
    editColour_ = colour;
    Record("SetEditColour(" + std::to_string(colour) + ")");
}

void RecordingWindow::SetEditEnabled(bool enabled)
{
    editEnabled_ = enabled;
    Record(std::string("SetEditEnabled(") + (enabled ? "true" : "false") + ")");
}

void RecordingWindow::SetMenuEnabled(MenuItem item, bool enabled)
{
    menus_[item] = enabled;
    Record(std::string("SetMenuEnabled(") + MenuItemName(item) + ", " + (enabled ? "true" : "false") + ")");
}

void RecordingWindow::SetFormCursor(CursorKind cursor)
{
    formCursor_ = cursor;
    Record(std::string("SetFormCursor(") + CursorName(cursor) + ")");
}

void RecordingWindow::SetImageCursor(CursorKind cursor)
{
    imageCursor_ = cursor;
    Record(std::string("SetImageCursor(") + CursorName(cursor) + ")");
}

std::optional<std::string> RecordingWindow::RunOpenDialog()
{
    std::optional<std::string> answer;
    if (!answers_.empty()) {
        answer = std::move(answers_.front());
        answers_.pop_front();
    }
    Record("RunOpenDialog() -> " + (answer ? *answer : std::string("cancelled")));
    return answer;
}

void RecordingWindow::ShowMessage(const std::string& text, const std::string& caption)
{
    messages_.push_back(text);
    Record("ShowMessage(" + text + ", " + caption + ")");
}

void RecordingWindow::ShowError(const std::string& text)
{
    errors_.push_back(text);
    Record("ShowError(" + text + ")");
}

void RecordingWindow::SetImageSize(std::int32_t width, std::int32_t height)
{
    imageWidth_ = width;
    imageHeight_ = height;
    Record("SetImageSize(" + std::to_string(width) + ", " + std::to_string(height) + ")");
}

void RecordingWindow::ShowPictureFile(const std::string& fileName)
{
    shownFile_ = fileName;
    showsBitmap_ = false;
    shownDrawing_ = DrawingRecord{};
    pixelsSet_.clear();
    shownBitmap_ = Algemeen::Raster{};
    rasterised_ = false;
    Record("ShowPictureFile(" + fileName + ")");
}

void RecordingWindow::ShowBitmap(const DrawingRecord& bitmap)
{
    shownFile_.clear();
    shownDrawing_ = bitmap;
    pixelsSet_.clear();
    shownBitmap_ = Algemeen::Raster{};
    rasterised_ = false;
    showsBitmap_ = true;
    Record("ShowBitmap(" + std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()) + ")");
}

void RecordingWindow::SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour)
{
    // Called 960 times per grid: kept without a line in the call record.
    if (!keepPixels_)
        return;
    if (rasterised_)
        shownBitmap_.SetPixel(x, y, colour);
    else
        pixelsSet_.push_back({x, y, colour});
}

const Algemeen::Raster& RecordingWindow::ShownBitmap() const
{
    if (!rasterised_) {
        shownBitmap_ = shownDrawing_.Rasterise();
        for (const PixelSet& p : pixelsSet_)
            shownBitmap_.SetPixel(p.x, p.y, p.colour);
        rasterised_ = true;
    }
    return shownBitmap_;
}

void RecordingWindow::Repaint()
{
    Record("Repaint()");
}

void RecordingWindow::PumpEvents()
{
    ++pumps_;
}

void RecordingWindow::Close()
{
    closed_ = true;
    Record("Close()");
}

} // namespace Unit1
