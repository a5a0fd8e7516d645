// Ring: a double-ended sequence in one array with a moving head.  Pushing at
// either end and dropping from the front cost no allocation once the array
// is large enough, and moving the front element to the back (the
// scrollback's "oldest line becomes the new bottom row") is a swap of two
// slots, or only a step of the head when the array is exactly full (see
// fit()).  Slots outside the held range always hold a default-constructed T,
// so they keep no memory of their own.
#pragma once

#include <cstddef>
#include <numeric>
#include <utility>
#include <vector>

namespace vesper {

template <class T>
class Ring {
public:
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

    T& operator[](std::size_t i) { return slots_[slot(i)]; }
    const T& operator[](std::size_t i) const { return slots_[slot(i)]; }

    void pushBack(T value) {
        reserveOneMore();
        slots_[slot(size_)] = std::move(value);
        ++size_;
    }

    void pushFront(T value) {
        reserveOneMore();
        head_ = (head_ == 0 ? capacity_ : head_) - 1;
        slots_[head_] = std::move(value);
        ++size_;
    }

    // The first element becomes the last; nothing is allocated or copied.
    // Returns it (null for an empty ring).
    T* moveFrontToBack() {
        if (size_ == 0) return nullptr;
        using std::swap;
        const std::size_t first = head_;
        head_ = slot(1);
        if (size_ == capacity_) return &slots_[first];
        const std::size_t last = slot(size_ - 1);
        swap(slots_[first], slots_[last]);
        return &slots_[last];
    }

    // The array shrinks to exactly size() slots (one reallocation), so that
    // moveFrontToBack() only steps the head until the ring grows again.
    void fit() {
        if (size_ == capacity_) return;
        std::vector<T> fitted(size_);
        for (std::size_t i = 0; i < size_; ++i) fitted[i] = std::move((*this)[i]);
        slots_.swap(fitted);
        head_ = 0;
        capacity_ = size_;
    }

    // Drops the first `count` elements (at most size()), releasing them.
    void popFront(std::size_t count) {
        if (count > size_) count = size_;
        for (std::size_t i = 0; i < count; ++i) slots_[slot(i)] = T();
        head_ = size_ == count ? 0 : slot(count);
        size_ -= count;
    }

    void assign(std::size_t count, const T& value) {
        popFront(size_);
        for (std::size_t i = 0; i < count; ++i) pushBack(value);
    }

    // Drops the last `count` elements (at most size()), releasing them.
    void popBack(std::size_t count) {
        if (count > size_) count = size_;
        for (std::size_t i = 0; i < count; ++i) slots_[slot(size_ - 1 - i)] = T();
        size_ -= count;
    }

    // Elements [first, last) rotated so that `middle` becomes the first of
    // them, as std::rotate does: along the cycles of the rotation, so that
    // each element is moved once (three reversals would exchange each of
    // them about once, which moves it twice; scrolling a region by one line
    // rotates it).
    void rotate(std::size_t first, std::size_t middle, std::size_t last) {
        if (first >= middle || middle >= last || last > size_) return;
        const std::size_t n = last - first;
        const std::size_t k = middle - first;
        const std::size_t cycles = std::gcd(n, k);
        for (std::size_t start = 0; start < cycles; ++start) {
            T held = std::move((*this)[first + start]);
            std::size_t i = start;
            while (true) {
                const std::size_t j = i + k < n ? i + k : i + k - n;
                if (j == start) break;
                (*this)[first + i] = std::move((*this)[first + j]);
                i = j;
            }
            (*this)[first + i] = std::move(held);
        }
    }

    void swap(Ring& other) noexcept {
        slots_.swap(other.slots_);
        std::swap(head_, other.head_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

private:
    // The slot of element i (i <= capacity): one compare instead of a modulo,
    // so the capacity need not be a power of two.
    std::size_t slot(std::size_t i) const {
        const std::size_t j = head_ + i;
        return j >= capacity_ ? j - capacity_ : j;
    }

    void reserveOneMore() {
        if (size_ < capacity_) return;
        std::vector<T> grown(capacity_ < 4 ? 8 : capacity_ * 2);
        for (std::size_t i = 0; i < size_; ++i) grown[i] = std::move((*this)[i]);
        slots_.swap(grown);
        head_ = 0;
        capacity_ = slots_.size();
    }

    std::vector<T> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // slots_.size(), kept to spare a division per access
};

}  // namespace vesper
