// The platform seams that the units talk to: the console, the clock, letting pending window
// events run, and a drawing surface. Each has a real implementation and test doubles; none of
// them knows about a window toolkit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Algemeen {

// Line-oriented diagnostic output.
class Console
{
public:
    virtual ~Console() = default;
    virtual void Write(std::string_view text) = 0;
    virtual void EndLine() = 0;

    void WriteInt(long long value);
    // Fixed notation with `decimals` decimals, right-aligned in at least `width` characters.
    void WriteReal(double value, int width, int decimals);
    // Write the text and end the line.
    void Line(std::string_view text);
};

// Milliseconds since local midnight, 0 .. 86'399'999.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::int32_t MillisecondsSinceMidnight() = 0;
};

// Lets pending window events run; long passes call it at the points their algorithms name.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void PumpEvents() = 0;
};

// Colours are 24-bit values with red in the low byte.
using Colour = std::uint32_t;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kLime = 0x00FF00;
inline constexpr Colour kBlue = 0xFF0000;
inline constexpr Colour kWhite = 0xFFFFFF;

// A bitmap's drawing surface: size, filled rectangles and pen lines.
class DrawingSurface
{
public:
    virtual ~DrawingSurface() = default;
    virtual void SetSize(std::int32_t width, std::int32_t height) = 0;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    // Fills [x0, x1) x [y0, y1), clipped to the surface.
    virtual void FillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour c) = 0;
    virtual void SetPenColour(Colour c) = 0;
    virtual void MoveTo(std::int32_t x, std::int32_t y) = 0;
    // Draws from the pen position to (x, y), leaving the end pixel undrawn, and moves the pen there.
    virtual void LineTo(std::int32_t x, std::int32_t y) = 0;
};

// Standard output. A write that fails throws std::runtime_error.
class StdoutConsole : public Console
{
public:
    enum class Flush
    {
        EveryLine,   // at every line end
        WhenTerminal // at every line end when standard output is a terminal, where somebody
                     // watches the lines come; into a file or pipe as its buffer fills, in far
                     // fewer writes (the program flushes, and checks, at its end)
    };
    explicit StdoutConsole(Flush flush = Flush::EveryLine);
    void Write(std::string_view text) override;
    void EndLine() override;

private:
    bool flushLines_;
};

// The local wall clock.
class SystemClock : public Clock
{
public:
    std::int32_t MillisecondsSinceMidnight() override;
};

// A console that drops every line (a run whose lines nobody asked for).
class NullConsole : public Console
{
public:
    void Write(std::string_view) override {}
    void EndLine() override {}
};

// An event pump that does nothing (headless runs).
class NoEvents : public EventPump
{
public:
    void PumpEvents() override {}
};

// A console that keeps what is written, line by line (tests, capture).
class StringConsole : public Console
{
public:
    void Write(std::string_view text) override { current_ += text; }
    void EndLine() override
    {
        text_ += current_ + "\n";
        current_.clear();
    }
    // Every completed line, each followed by "\n".
    const std::string& Text() const { return text_; }
    void Clear()
    {
        text_.clear();
        current_.clear();
    }

private:
    std::string text_;
    std::string current_;
};

} // namespace Algemeen
