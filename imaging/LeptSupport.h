// What the imaging unit's files share about Leptonica, kept out of the public headers: owning
// pointers for its pictures, the collection of its messages, and the conversion of its 1-bit
// pictures to and from the tracer's rows.
#pragma once

#include "Picture.h"

#include <leptonica/allheaders.h>
#include <memory>
#include <string>

namespace Imaging::Lept {

struct PixDeleter
{
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// While one of these lives, the messages Leptonica would print on standard error are kept here
// (per thread) instead; without one they are dropped.
class MessageCatcher
{
public:
    MessageCatcher();
    ~MessageCatcher();
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;
    // The first message caught, without Leptonica's "Error in function:" prefix; empty if none.
    std::string First() const;

private:
    std::string text_;
    MessageCatcher* outer_;
};

// A Leptonica 1-bit picture (words of 32 pixels, most significant bit first, 1 = black) as the
// tracer's rows (bytes, most significant bit first, 1 = white): one inverted, byte-swapped word at
// a time. The rows keep Leptonica's stride of whole words.
korvane::Picture PictureFromPix(PIX* pix1);

// The other way: a 1-bit Leptonica picture of the tracer's rows, pad bits clear.
// Throws std::invalid_argument when the picture's sizes and bytes do not agree.
PixPtr PixFromPicture(const korvane::Picture& picture);

} // namespace Imaging::Lept
