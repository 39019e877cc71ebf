// TForm1: the main window of korvane in Qt 6 Widgets. It implements the window seam and wires
// the menu and the mouse to the commands of Unit1; it holds no logic of its own.
#pragma once

#include "Window.h"

#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QLineEdit;
class QScrollArea;

namespace Unit1 {

// The image area: shows one picture at its natural size and reports mouse presses in picture
// pixels.
class ImageArea : public QWidget
{
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent = nullptr);
    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }
    void SetPixel(int x, int y, QRgb colour);
    void SetAreaSize(int width, int height);
    QSize sizeHint() const override { return size(); }

signals:
    void Pressed(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

class TForm1 : public QMainWindow, public Window
{
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Replaceable dialogs, so tests can drive the window without modal boxes.
    std::function<std::optional<std::string>()> chooseFile;
    std::function<void(const std::string& text, const std::string& caption)> showMessage;
    std::function<void(const std::string& text)> showError;

    // Window seam.
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
    void Repaint() override;
    void PumpEvents() override;
    void Close() override;

    // The components, for tests.
    QLineEdit* Edit1() const { return edit1_; }
    ImageArea* Image1() const { return image1_; }
    QScrollArea* ImageScroller() const { return scroller_; }
    QAction* Open1() const { return open1_; }
    QAction* Exit1() const { return exit1_; }
    QAction* Process1() const { return process1_; }
    QAction* Select1() const { return select1_; }
    QMenu* File1() const { return file1_; }

    // Opens the file as File > Open does when the dialog gives it (a file dropped on the window).
    void OpenFile(const std::string& fileName);

    // The filter of the Open dialog: every picture format Korvane reads, then "All files".
    static const char* const kOpenFilter;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();

    QLineEdit* edit1_ = nullptr;
    ImageArea* image1_ = nullptr;
    QScrollArea* scroller_ = nullptr;
    QMenu* file1_ = nullptr;
    QMenu* exit2_ = nullptr;
    QAction* open1_ = nullptr;
    QAction* exit1_ = nullptr;
    QAction* process1_ = nullptr;
    QAction* select1_ = nullptr;
    Algemeen::Raster overlay_; // the shown drawing; Image1 paints straight from its pixels
    bool showsOverlay_ = false;
    QElapsedTimer sincePump_;
    unsigned pumpCalls_ = 0;
    bool stopped_ = false;
    std::optional<std::string> dropped_; // the next Open's file, instead of the dialog's
};

} // namespace Unit1
