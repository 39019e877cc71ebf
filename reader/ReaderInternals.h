// The context inside a Reader, for the tests and benchmarks of the reading stages, which drive and
// inspect the stages one by one. Programs use the Reader's public functions only.
#pragma once

#include "ReaderContext.h"
#include "korvane/Reader.h"

namespace korvane {

struct ReaderInternals
{
    static ReaderContext& Context(Reader& reader) { return *reader.context_; }
};

inline ReaderContext& ContextOf(Reader& reader)
{
    return ReaderInternals::Context(reader);
}

} // namespace korvane
