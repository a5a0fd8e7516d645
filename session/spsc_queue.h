// SpscQueue: an unbounded, lock-free queue from exactly one producer thread
// to exactly one consumer thread.  The session hands its reader's output
// chunks to the session's thread and the session's written bytes to its
// writer thread through it, so that the session's (GUI) thread never takes a
// lock and never waits for another thread.
//
// Structure: a singly linked list of nodes with a dummy at the front.  The
// consumer owns `head_` (the dummy; the first element is head_->next), the
// producer owns `tail_` (the last node).  Neither member is ever touched by
// the other side; the only shared words are the `next` pointers.
//
// Why the ordering is correct:
// - push() fills a new node completely, then publishes it with a release
//   store into the old tail's `next`.  That store is the producer's last
//   access to the old tail.
// - pop() reads head_->next with an acquire load.  Seeing the new node makes
//   the producer's writes of its value happen-before the consumer's read, so
//   the value is moved out whole.  The old dummy is then deleted: the
//   producer finished with it at the release store just observed, so nobody
//   touches it any more, and the popped node becomes the new dummy.
// - Elements therefore arrive exactly once, in push order.
// The producer and consumer roles may pass to another thread only across a
// happens-before edge (thread start or join); the destructor runs when
// neither thread uses the queue any more.  All synchronisation is std::atomic,
// which the thread sanitizer sees.
#pragma once

#include <atomic>
#include <utility>

namespace vesper {

template <typename T>
class SpscQueue {
public:
    SpscQueue() : head_(new Node), tail_(head_) {}
    ~SpscQueue()
    {
        while (head_) {
            Node *next = head_->next.load(std::memory_order_relaxed);
            delete head_;
            head_ = next;
        }
    }
    SpscQueue(const SpscQueue &) = delete;
    SpscQueue &operator=(const SpscQueue &) = delete;

    // Producer only.
    void push(T value)
    {
        Node *node = new Node;
        node->value = std::move(value);
        tail_->next.store(node, std::memory_order_release);
        tail_ = node;
    }

    // Consumer only: moves the oldest element into `out`; false when empty.
    bool pop(T &out)
    {
        Node *next = head_->next.load(std::memory_order_acquire);
        if (!next)
            return false;
        out = std::move(next->value);
        delete head_;
        head_ = next;
        return true;
    }

    // Consumer only: nothing pushed is waiting.  (The producer may push at
    // any moment, so "false" stays true but "true" can go stale at once.)
    bool empty() const { return head_->next.load(std::memory_order_acquire) == nullptr; }

private:
    struct Node {
        std::atomic<Node *> next{nullptr};
        T value{};
    };

    Node *head_; // consumer's
    Node *tail_; // producer's
};

} // namespace vesper
