// Ring: a double-ended sequence in one power-of-two array with a moving
// head.  Pushing at either end and dropping from the front cost no
// allocation once the array is large enough, and moving the front element to
// the back (the scrollback's "oldest line becomes the new bottom row") is a
// swap of two slots.  Slots outside the held range always hold a
// default-constructed T, so they keep no memory of their own.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace vesper {

template <class T>
class Ring {
public:
    std::size_t size() const { return size_; }

    T& operator[](std::size_t i) { return slots_[(head_ + i) & mask_]; }
    const T& operator[](std::size_t i) const { return slots_[(head_ + i) & mask_]; }

    void pushBack(T value) {
        reserveOneMore();
        slots_[(head_ + size_) & mask_] = std::move(value);
        ++size_;
    }

    void pushFront(T value) {
        reserveOneMore();
        head_ = (head_ - 1) & mask_;
        slots_[head_] = std::move(value);
        ++size_;
    }

    // The first element becomes the last; nothing is allocated or copied.
    void moveFrontToBack() {
        if (size_ == 0) return;
        using std::swap;
        if (size_ < slots_.size()) swap(slots_[head_], slots_[(head_ + size_) & mask_]);
        head_ = (head_ + 1) & mask_;
    }

    // Drops the first `count` elements (at most size()), releasing them.
    void popFront(std::size_t count) {
        if (count > size_) count = size_;
        for (std::size_t i = 0; i < count; ++i) slots_[(head_ + i) & mask_] = T();
        head_ = (head_ + count) & mask_;
        size_ -= count;
    }

    void assign(std::size_t count, const T& value) {
        popFront(size_);
        for (std::size_t i = 0; i < count; ++i) pushBack(value);
    }

    // Drops the last `count` elements (at most size()), releasing them.
    void popBack(std::size_t count) {
        if (count > size_) count = size_;
        for (std::size_t i = 0; i < count; ++i) slots_[(head_ + size_ - 1 - i) & mask_] = T();
        size_ -= count;
    }

    // Elements [first, last) rotated so that `middle` becomes the first of
    // them, as std::rotate does; by three reversals of slot swaps.
    void rotate(std::size_t first, std::size_t middle, std::size_t last) {
        if (first >= middle || middle >= last || last > size_) return;
        reverse(first, middle);
        reverse(middle, last);
        reverse(first, last);
    }

    void swap(Ring& other) noexcept {
        slots_.swap(other.slots_);
        std::swap(head_, other.head_);
        std::swap(size_, other.size_);
        std::swap(mask_, other.mask_);
    }

private:
    void reverse(std::size_t first, std::size_t last) {
        using std::swap;
        while (first + 1 < last) swap((*this)[first++], (*this)[--last]);
    }

    void reserveOneMore() {
        if (size_ < slots_.size()) return;
        std::vector<T> grown(slots_.empty() ? 8 : slots_.size() * 2);
        for (std::size_t i = 0; i < size_; ++i) grown[i] = std::move((*this)[i]);
        slots_.swap(grown);
        head_ = 0;
        mask_ = slots_.size() - 1;
    }

    std::vector<T> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
};

}  // namespace vesper
