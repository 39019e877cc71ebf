#include "Trace.h"

#include "BmpLoad.h"
#include "ContourStore.h"
#include "TraceSteps.h"

#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace BMPunit {

namespace {

static_assert(std::endian::native == std::endian::little, "rows are unpacked with a byte swap");

// ---- cells and their pieces ------------------------------------------------------------------

// A side midpoint of a cell, as an offset from the cell centre (2x, 2y) in doubled units.
struct Side
{
    std::int8_t dx;
    std::int8_t dy;
};
constexpr Side kTop{0, -1}, kLeft{-1, 0}, kRight{1, 0}, kBottom{0, 1};

struct Piece
{
    Side start;
    Side end;
};

// The pieces of each cell code, in the order they are emitted. Code bits: 8 top-left, 4 top-right,
// 2 bottom-left, 1 bottom-right, set for black. Black stays on the left of every piece; the saddle
// codes 6 and 9 cut their two white pixels off separately.
struct CellRule
{
    std::int32_t count;
    Piece pieces[2];
};
constexpr CellRule kCellRules[16] = {
    {0, {}},                                 // 0: all white
    {1, {{kRight, kBottom}}},                // 1
    {1, {{kBottom, kLeft}}},                 // 2
    {1, {{kRight, kLeft}}},                  // 3
    {1, {{kTop, kRight}}},                   // 4
    {1, {{kTop, kBottom}}},                  // 5
    {2, {{kTop, kLeft}, {kBottom, kRight}}}, // 6: saddle
    {1, {{kTop, kLeft}}},                    // 7
    {1, {{kLeft, kTop}}},                    // 8
    {2, {{kRight, kTop}, {kLeft, kBottom}}}, // 9: saddle
    {1, {{kBottom, kTop}}},                  // 10
    {1, {{kRight, kTop}}},                   // 11
    {1, {{kLeft, kRight}}},                  // 12
    {1, {{kLeft, kBottom}}},                 // 13
    {1, {{kBottom, kRight}}},                // 14
    {0, {}},                                 // 15: all black
};

// ---- packed rows -----------------------------------------------------------------------------

// Rows are unpacked into 64-bit words of black bits, leftmost pixel in the most significant bit:
// pixel x is bit 63 - x % 64 of word x / 64. Every bit from the picture's width on reads black,
// which is the right-hand frame of the cells.
using Word = std::uint64_t;
constexpr Word kAllBlack = ~Word{0};

class RowUnpacker
{
public:
    explicit RowUnpacker(std::int32_t width)
        : width_(width), rowBytes_((width + 7) / 8), words_(width / 64 + 1), tail_(kAllBlack >> (width % 64))
    {
    }
    // Cell columns 0 .. width need one bit more than the picture is wide.
    std::int32_t Words() const { return words_; }

    // Rows are read top to bottom, which in a file stored bottom-up runs against the addresses;
    // asking for a row early keeps the reads from waiting on memory.
    void Prefetch(const std::uint8_t* bytes) const
    {
        for (std::int32_t offset = 0; offset < rowBytes_; offset += 64)
            __builtin_prefetch(bytes + offset);
        __builtin_prefetch(bytes + rowBytes_ - 1);
    }

    void Unpack(const std::uint8_t* bytes, Word* out) const
    {
        std::int32_t w = 0;
        for (; 8 * (w + 1) <= rowBytes_; ++w) {
            Word raw;
            std::memcpy(&raw, bytes + 8 * w, 8);
            out[w] = ~__builtin_bswap64(raw); // stored bit 0 is black
        }
        for (; w < words_; ++w) {
            Word raw = 0; // bytes past the row read as black
            const std::int32_t have = rowBytes_ - 8 * w;
            if (have > 0)
                std::memcpy(&raw, bytes + 8 * w, static_cast<std::size_t>(have));
            out[w] = ~__builtin_bswap64(raw);
        }
        out[width_ / 64] |= tail_;
    }

private:
    std::int32_t width_;
    std::int32_t rowBytes_;
    std::int32_t words_;
    Word tail_;
};

// The four corner pixels of the cells of one word, each aligned on the cell's bit.
struct CellWord
{
    Word topLeft, topRight, bottomLeft, bottomRight;

    Word Mixed() const
    {
        return (topLeft ^ topRight) | (topRight ^ bottomRight) | (bottomLeft ^ bottomRight);
    }
    // Diagonal pairs of equal colour with the two pairs different: the saddle codes 6 and 9.
    Word Saddles() const
    {
        return (topLeft ^ topRight) & ~(topLeft ^ bottomRight) & ~(topRight ^ bottomLeft);
    }
    std::int32_t Code(int bit) const
    {
        return static_cast<std::int32_t>(((topLeft >> bit) & 1) << 3 | ((topRight >> bit) & 1) << 2 |
                                         ((bottomLeft >> bit) & 1) << 1 | ((bottomRight >> bit) & 1));
    }
};

// ---- the raster pass -------------------------------------------------------------------------

struct PassTotals
{
    std::int64_t pieces = 0;
    std::int64_t blackPixels = 0;
};

[[noreturn]] void PictureChanged()
{
    throw std::logic_error("the picture changed while it was traced");
}

// Writes the pieces of the mixed cells of one word, from the left, starting at `out`. The word's
// first cell is column x0 of cell row y.
void EmitPieces(const CellWord& cells, Word mixed, std::int32_t x0, std::int32_t y, ContourNode* out)
{
    const std::int32_t cy = 2 * y;
    while (mixed != 0) {
        const int lead = std::countl_zero(mixed);
        const int bit = 63 - lead;
        mixed ^= Word{1} << bit;
        const std::int32_t cx = 2 * (x0 + lead);
        // A mixed cell has one piece, a saddle a second one.
        const CellRule& rule = kCellRules[cells.Code(bit)];
        const Piece& first = rule.pieces[0];
        out[0] = {cx + first.start.dx, cy + first.start.dy, 0};
        out[1] = {cx + first.end.dx, cy + first.end.dy, 0};
        out += 2;
        if (rule.count == 2) [[unlikely]] {
            const Piece& second = rule.pieces[1];
            out[0] = {cx + second.start.dx, cy + second.start.dy, 0};
            out[1] = {cx + second.end.dx, cy + second.end.dy, 0};
            out += 2;
        }
    }
}

// Black pixels of an unpacked row, not counting the frame bits from the width on.
std::int64_t BlackInRow(const std::vector<Word>& row, std::int32_t width)
{
    std::int64_t black = 0;
    for (const Word word : row)
        black += std::popcount(word);
    return black - (std::int64_t{64} * static_cast<std::int64_t>(row.size()) - width);
}

// One raster pass over the cells, a word of 64 cells at a time; words whose cells all hold one
// colour cost a few logic operations. The counting pass only adds population counts; the storing
// pass walks the mixed cells of a word from the left and writes their pieces in raster order into
// nodes[1 ..], which must hold exactly 2 * (pieces of the counting pass) entries after entry 0.
template <bool kStore>
PassTotals RunPass(const korvane::Picture& picture, Algemeen::EventPump& events, ContourNode* nodes,
                   std::int64_t capacity)
{
    const std::int32_t width = picture.Width;
    const std::int32_t height = picture.Height;
    const RowUnpacker unpacker(width);
    const std::int32_t words = unpacker.Words();
    const Word lastValid = kAllBlack << (63 - width % 64); // cells 0 .. width of the last word
    std::vector<Word> above(static_cast<std::size_t>(words), kAllBlack);
    std::vector<Word> below(static_cast<std::size_t>(words), kAllBlack);

    PassTotals totals;
    for (std::int32_t y = 0; y <= height; ++y) {
        events.PumpEvents();
        if (picture.Width != width || picture.Height != height)
            PictureChanged();
        if (y + 2 < height)
            unpacker.Prefetch(picture.Row(y + 2));
        if (y < height)
            unpacker.Unpack(picture.Row(y), below.data());
        else
            below.assign(below.size(), kAllBlack);

        Word carryAbove = 1, carryBelow = 1; // the black frame left of column 0
        for (std::int32_t w = 0; w < words; ++w) {
            const Word a = above[static_cast<std::size_t>(w)];
            const Word b = below[static_cast<std::size_t>(w)];
            const CellWord cells{(a >> 1) | (carryAbove << 63), a, (b >> 1) | (carryBelow << 63), b};
            carryAbove = a & 1;
            carryBelow = b & 1;
            Word mixed = cells.Mixed();
            if (w == words - 1)
                mixed &= lastValid;
            if (mixed == 0)
                continue;
            const std::int64_t count = std::popcount(mixed) + std::popcount(mixed & cells.Saddles());
            if constexpr (kStore) {
                if (totals.pieces + count > capacity)
                    PictureChanged();
                EmitPieces(cells, mixed, 64 * w, y, nodes + 2 * totals.pieces + 1);
            }
            totals.pieces += count;
        }
        if (!kStore && y < height)
            totals.blackPixels += BlackInRow(below, width);
        std::swap(above, below);
    }
    return totals;
}

std::int32_t ToInt32(std::int64_t value)
{
    if (value > INT32_MAX)
        throw std::length_error("too many contour pieces");
    return static_cast<std::int32_t>(value);
}

// ---- linking ---------------------------------------------------------------------------------

// Where the partner of a piece's point is found. Every side midpoint where the colour changes is
// shared by exactly two cells: a top or bottom midpoint by vertically neighbouring cells, a left or
// right midpoint by horizontally neighbouring ones. Pieces come in raster order of their cells, so
// the partner at a top or left side came earlier and is waiting in a slot, and the partner at a
// bottom or right side comes later and will look in the same slot. A slot holds +k for piece k's
// end point and -k for its start point, with the chain that piece k belongs to.
//
// Whether a piece joins earlier pieces follows the picture, so the links and slot updates are
// made with selects rather than branches: a read side still writes, into a spare slot, and a link
// that is not made is written into entry 0 of the nodes, which is cleared afterwards.
struct Waiting
{
    std::int32_t piece = 0;
    std::int32_t chain = 0;
};

class LinkSlots
{
public:
    explicit LinkSlots(std::int32_t width)
        : limit_(static_cast<std::uint32_t>(2 * width)), slots_(2 * (static_cast<std::size_t>(width) + 2))
    {
    }
    // The slot of point p of a piece whose other point is q, and whether the partner at p precedes
    // the piece (p on the top or left side).
    Waiting* Slot(const ContourNode& p, const ContourNode& q, bool& earlier)
    {
        if (static_cast<std::uint32_t>(p.x) > limit_)
            throw std::logic_error("contour piece outside the picture");
        const bool vertical = (p.y & 1) != 0;
        earlier = vertical ? p.y < q.y : p.x < q.x;
        // Even entries by the column x of a top or bottom midpoint (x even), odd ones by the cell
        // x + 1 to the right of a left or right midpoint (x odd).
        const std::int32_t index = vertical ? p.x : p.x + 2;
        return &slots_[static_cast<std::size_t>(index | !vertical)];
    }
    Waiting* Spare() { return &spare_; }

private:
    std::uint32_t limit_;
    std::vector<Waiting> slots_;
    Waiting spare_;
};

// Chains of joined pieces. A piece with no earlier partner starts a chain; a piece with one joins
// its partner's chain; a piece with two joins both chains into one, which keeps the lower number.
// A ring's lowest piece has no earlier partner, so it starts the lowest chain of the ring, and
// every ring ends as exactly one chain that is its own.
class Chains
{
public:
    Chains(std::vector<std::int32_t>& heads, std::vector<std::int32_t>& parents)
        : heads_(heads), parents_(parents)
    {
        heads_.clear();
        parents_.clear();
    }
    std::int32_t Start(std::int32_t piece)
    {
        const auto chain = static_cast<std::int32_t>(heads_.size());
        heads_.push_back(piece);
        parents_.push_back(chain);
        return chain;
    }
    std::int32_t Join(std::int32_t a, std::int32_t b)
    {
        a = Root(a);
        b = Root(b);
        if (a > b)
            std::swap(a, b);
        parents_[static_cast<std::size_t>(b)] = a;
        return a;
    }

private:
    std::int32_t Root(std::int32_t chain)
    {
        auto& parents = parents_;
        while (parents[static_cast<std::size_t>(chain)] != chain) {
            const std::int32_t up = parents[static_cast<std::size_t>(chain)];
            parents[static_cast<std::size_t>(chain)] = parents[static_cast<std::size_t>(up)];
            chain = up;
        }
        return chain;
    }

    std::vector<std::int32_t>& heads_;
    std::vector<std::int32_t>& parents_;
};

[[noreturn]] void Unmatched()
{
    throw std::logic_error("contour pieces do not join into rings");
}

} // namespace

void WriteTraceStatistics(const korvane::Picture& picture, const ContourStore& store,
                          Algemeen::Console& console)
{
    console.Write("Contour Pieces = ");
    console.WriteInt(store.PieceCount);
    console.EndLine();
    console.Write("Black Pixels # = ");
    console.WriteInt(store.BlackPixelCount);
    console.EndLine();
    const double pixels = static_cast<double>(picture.Width) * static_cast<double>(picture.Height);
    console.Write("Black/White = ");
    console.WriteInt(static_cast<long long>(Algemeen::RoundHalfEven(100.0 * store.BlackPixelCount / pixels)));
    console.Write(" %");
    console.EndLine();
}

void TracePieces(const korvane::Picture& picture, ContourStore& store, Algemeen::RunLog& log,
                 Algemeen::EventPump& events)
{
    if (!picture.IsSound())
        throw std::logic_error("there is no checked picture to trace");
    // Until the rings are complete the store holds no contours, so a trace that fails half-way
    // leaves an empty store rather than starts that point into unlinked nodes.
    store.ContourStarts.clear();

    log.StopWatch("");
    const PassTotals counted = RunPass<false>(picture, events, nullptr, 0);
    store.PieceCount = ToInt32(counted.pieces);
    store.BlackPixelCount = ToInt32(counted.blackPixels);
    ToInt32(2 * counted.pieces + 1); // node indices are 32-bit
    log.StopWatch("Contouring pass I");
    if (kShowTraceStatistics)
        WriteTraceStatistics(picture, store, log.Out());

    // Pass II writes every entry after entry 0 in full, so the old contents need no clearing.
    store.ContourNodes.resize(static_cast<std::size_t>(2 * counted.pieces + 1));
    store.ContourNodes[0] = ContourNode{};

    log.StopWatch("");
    const PassTotals stored = RunPass<true>(picture, events, store.ContourNodes.data(), counted.pieces);
    if (stored.pieces != counted.pieces)
        PictureChanged();
    log.StopWatch("Contouring pass II");
}

void LinkPieces(ContourStore& store, std::int32_t width, Algemeen::EventPump& events)
{
    const std::int32_t n = store.PieceCount;
    if (store.ContourNodes.size() < static_cast<std::size_t>(2 * std::int64_t{n} + 1))
        Unmatched();
    ContourNode* nodes = store.ContourNodes.data();
    LinkSlots slots(width);

    // Piece k's end point moves to entry k as soon as piece k is read: entries below k have all
    // been read by then, so the ring nodes build up in place and a later piece that joins an
    // earlier one's end writes straight into the earlier one's final entry.
    Chains chains(store.ChainHeads, store.ChainParents);
    bool broken = false;
    for (std::int32_t k = 1; k <= n; ++k) {
        events.PumpEvents();
        const ContourNode start = nodes[2 * k - 1];
        const ContourNode end = nodes[2 * k];
        bool startEarlier = false, endEarlier = false;
        Waiting* startSlot = slots.Slot(start, end, startEarlier);
        Waiting* endSlot = slots.Slot(end, start, endEarlier);
        // Take what waits before leaving anything: a piece from top to bottom uses one slot twice.
        const Waiting before = *startSlot; // piece j ends where piece k starts: +j
        const Waiting after = *endSlot;    // piece j starts where piece k ends: -j
        const bool joinBefore = startEarlier && before.piece > 0 && before.piece < k;
        const bool joinAfter = endEarlier && -after.piece > 0 && -after.piece < k;
        broken |= startEarlier != joinBefore || endEarlier != joinAfter;
        nodes[joinBefore ? before.piece : 0].next = k;
        nodes[k] = {end.x, end.y, joinAfter ? -after.piece : 0};

        std::int32_t chain = joinBefore ? before.chain : after.chain;
        if (joinBefore == joinAfter)
            chain = joinBefore ? chains.Join(before.chain, after.chain) : chains.Start(k);
        *(startEarlier ? slots.Spare() : startSlot) = {-k, chain};
        *(endEarlier ? slots.Spare() : endSlot) = {k, chain};
    }
    nodes[0] = ContourNode{};
    if (broken)
        Unmatched();
}

void IndexContours(ContourStore& store)
{
    std::vector<std::int32_t> starts(1, 0);
    const std::size_t chains = store.ChainHeads.size();
    if (store.ChainParents.size() != chains)
        Unmatched();
    for (std::size_t chain = 0; chain < chains; ++chain)
        if (store.ChainParents[chain] == static_cast<std::int32_t>(chain))
            starts.push_back(store.ChainHeads[chain]);
    store.ContourStarts = std::move(starts);
    std::vector<std::int32_t>().swap(store.ChainHeads);
    std::vector<std::int32_t>().swap(store.ChainParents);
}

void TraceContours(const korvane::Picture& picture, ContourStore& store, Algemeen::RunLog& log,
                   Algemeen::EventPump& events)
{
    TracePieces(picture, store, log, events);
    LinkPieces(store, picture.Width, events);
    IndexContours(store);
}

} // namespace BMPunit
