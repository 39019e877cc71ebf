// Point records and the growable arrays that the units pass between them.
// Every element access through operator[] is checked against the array's bounds and throws
// std::out_of_range; a new or lengthened array is filled with zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace Algemeen {

struct RealPoint
{
    double X = 0.0;
    double Y = 0.0;
    friend bool operator==(const RealPoint&, const RealPoint&) = default;
};

struct IntPoint
{
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

// A growable, bounds-checked array. Indices are signed so that a negative index is caught
// rather than wrapped round.
template <class T> class Grow
{
public:
    Grow() = default;
    explicit Grow(std::ptrdiff_t length) { SetLength(length); }
    Grow(std::initializer_list<T> items) : items_(items) {}

    std::ptrdiff_t Length() const { return static_cast<std::ptrdiff_t>(items_.size()); }
    bool Empty() const { return items_.empty(); }

    // Resizes; new elements are value-initialised (zero). A negative length empties the array.
    void SetLength(std::ptrdiff_t length)
    {
        items_.assign(0, T{});
        items_.resize(length > 0 ? static_cast<std::size_t>(length) : 0, T{});
    }
    // Resizes keeping the existing elements.
    void Resize(std::ptrdiff_t length)
    {
        items_.resize(length > 0 ? static_cast<std::size_t>(length) : 0, T{});
    }
    void Clear() { items_.clear(); }
    void Append(const T& item) { items_.push_back(item); }

    T& operator[](std::ptrdiff_t i) { return items_[Checked(i)]; }
    const T& operator[](std::ptrdiff_t i) const { return items_[Checked(i)]; }

    T* Data() { return items_.data(); }
    const T* Data() const { return items_.data(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    std::vector<T>& Items() { return items_; }
    const std::vector<T>& Items() const { return items_; }

    friend bool operator==(const Grow&, const Grow&) = default;

private:
    std::size_t Checked(std::ptrdiff_t i) const
    {
        if (i < 0 || i >= Length())
            throw std::out_of_range("index " + std::to_string(i) + " outside array of length " +
                                    std::to_string(Length()));
        return static_cast<std::size_t>(i);
    }

    std::vector<T> items_;
};

using integers = Grow<std::int32_t>; // contour numbers, orders, permutations
using Jordan = Grow<RealPoint>;      // a closed contour (last point joins the first) or a point list
using punten = Grow<IntPoint>;       // integer pairs, e.g. hole cells
using kolom = Grow<double>;          // column vector, used 1-based (element 0 unused)
using matrix = Grow<kolom>;          // square matrix as rows, used 1-based

// A matrix of dimension n: n+1 rows of n+1 zeros (row 0 and column 0 unused).
inline matrix MakeMatrix(std::ptrdiff_t n)
{
    matrix m(n + 1);
    for (auto& row : m)
        row.SetLength(n + 1);
    return m;
}

} // namespace Algemeen
