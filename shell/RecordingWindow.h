// A window without a screen: it records every call of the commands and keeps the shown picture,
// so korvane-cli and the tests can see what a user would see.
#pragma once

#include "Window.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace Unit1 {

class RecordingWindow : public Window
{
public:
    RecordingWindow();

    // Answers for the open dialog, used in order; an empty optional is a cancelled dialog.
    // With no answer left the dialog counts as cancelled.
    void QueueDialogAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }

    void SetEditText(const std::string& text) override;
    void SetEditColour(Algemeen::Colour colour) override;
    void SetEditEnabled(bool enabled) override;
    void SetMenuEnabled(MenuItem item, bool enabled) override;
    void SetFormCursor(CursorKind cursor) override;
    void SetImageCursor(CursorKind cursor) override;
    std::optional<std::string> RunOpenDialog() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void ShowError(const std::string& text) override;
    void SetImageSize(std::int32_t width, std::int32_t height) override;
    void ShowPictureFile(const std::string& fileName) override;
    void ShowBitmap(const DrawingRecord& bitmap) override;
    void SetImagePixel(std::int32_t x, std::int32_t y, Algemeen::Colour colour) override;
    bool ShowsPixels() const override { return keepPixels_; }
    void Repaint() override;
    void PumpEvents() override;
    void Close() override;

    // What a user would see.
    const std::string& EditText() const { return editText_; }
    Algemeen::Colour EditColour() const { return editColour_; }
    bool EditEnabled() const { return editEnabled_; }
    bool MenuEnabled(MenuItem item) const { return menus_.at(item); }
    CursorKind FormCursor() const { return formCursor_; }
    CursorKind ImageCursor() const { return imageCursor_; }
    std::int32_t ImageWidth() const { return imageWidth_; }
    std::int32_t ImageHeight() const { return imageHeight_; }
    // The file shown by the last ShowPictureFile; empty once a bitmap replaced it.
    const std::string& ShownFile() const { return shownFile_; }
    // The bitmap shown by the last ShowBitmap, with the pixels set on it since. Rasterised when
    // first asked for, so a headless run that never looks pays nothing for it.
    const Algemeen::Raster& ShownBitmap() const;
    const DrawingRecord& ShownDrawing() const { return shownDrawing_; }
    bool ShowsBitmap() const { return showsBitmap_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    const std::vector<std::string>& Errors() const { return errors_; }
    bool Closed() const { return closed_; }
    long long PumpCount() const { return pumps_; }
    // Whether the pixels set on the shown bitmap are kept (the default). A headless run that never
    // saves the picture turns it off: a page of thousands of cards sets millions of grid dots.
    void KeepPixels(bool keep) { keepPixels_ = keep; }
    // Every call, one line each, e.g. "SetEditText(Content of IBM PunchCards)".
    const std::vector<std::string>& Calls() const { return calls_; }

private:
    void Record(std::string call);

    std::deque<std::optional<std::string>> answers_;
    std::string editText_;
    Algemeen::Colour editColour_ = Algemeen::kBlack;
    bool editEnabled_ = true;
    std::map<MenuItem, bool> menus_;
    CursorKind formCursor_ = CursorKind::Default;
    CursorKind imageCursor_ = CursorKind::Default;
    std::int32_t imageWidth_ = 692;
    std::int32_t imageHeight_ = 417;
    std::string shownFile_;
    DrawingRecord shownDrawing_;
    struct PixelSet
    {
        std::int32_t x, y;
        Algemeen::Colour colour;
    };
    std::vector<PixelSet> pixelsSet_;
    mutable Algemeen::Raster shownBitmap_;
    mutable bool rasterised_ = false;
    bool keepPixels_ = true;
    bool showsBitmap_ = false;
    std::vector<std::string> messages_;
    std::vector<std::string> errors_;
    bool closed_ = false;
    long long pumps_ = 0;
    std::vector<std::string> calls_;
};

const char* MenuItemName(MenuItem item);

} // namespace Unit1
