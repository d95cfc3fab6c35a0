#pragma once
// The assembler's line lists: TLinePack, an ordered list of SourceLine with a current position,
// and TLinePackLink, the list of macro bodies.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "asm/source_line.h"

namespace zerka {

class TLinePack {
  public:
    // Where add() puts the new line.
    enum Where : int { AtFront = 0, AtEnd = 1, AfterCurrent = 2, BeforeCurrent = 3 };

    TLinePack();
    explicit TLinePack(std::string name, int32_t number = 0);
    ~TLinePack();
    TLinePack(const TLinePack&) = delete;
    TLinePack& operator=(const TLinePack&) = delete;
    TLinePack(TLinePack&& other) noexcept;
    TLinePack& operator=(TLinePack&& other) noexcept;

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    int32_t number() const { return number_; }
    void setNumber(int32_t n) { number_ = n; }

    // Inserts a copy of `record` (0 front, 1 end, 2 after the current line, 3 before it; with no
    // current line 2 and 3 insert at the front and at the end). The new line becomes current and
    // the lines from it to the end are numbered on from the line before it. False when memory
    // runs out or `where` is not 0..3; the list is then unchanged.
    bool add(const SourceLine& record, int where);
    bool add(SourceLine&& record, int where);
    // A fresh record with that working text (also the stored text), file index and line number.
    bool addText(std::string_view text, int fileIndex, int where, int32_t lineNumber);

    // Unlinks the current line; the line before it becomes current, or the first line when the
    // deleted one was first. The numbers of the other lines stay as they are. False when there
    // is no current line.
    bool deleteCurrent();

    // Move the current position; false (position unchanged) at the ends or when empty.
    bool first();
    bool last();
    bool next();
    bool previous();

    // Makes the line with that sequence number current; false when absent (position stays).
    bool find(int32_t sequenceNumber);

    // The current line (its sequence number up to date); nullptr when there is none.
    SourceLine* current();
    const SourceLine* current() const;
    // A copy of the current line; a default record when there is none.
    SourceLine copyOfCurrent() const;
    // The current line's sequence number; 0 when there is none.
    int32_t currentNumber() const;

    void clear();
    size_t count() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Forward iteration over every line; does not move the current position. Numbers are brought
    // up to date when the iteration begins, so do not add or delete lines while iterating.
    template <typename Pack, typename Line> class BasicIterator;
    using iterator = BasicIterator<TLinePack, SourceLine>;
    using const_iterator = BasicIterator<const TLinePack, const SourceLine>;
    iterator begin();
    iterator end();
    const_iterator begin() const;
    const_iterator end() const;

  private:
    struct Node {
        SourceLine line;
        Node* prev = nullptr;
        Node* next = nullptr;
    };

    // Lines up to valid_ carry their final numbers; every later line is owed valid_'s number
    // plus its distance from valid_. Numbering catches up only when a line is reached, which
    // keeps long runs of insertions linear. currentAhead_ tells whether current_ lies beyond
    // valid_, so no operation has to search for the boundary.
    bool knownNumbered(const Node* n) const;
    void numberThrough(const Node* n) const; // n must lie beyond valid_
    void numberAll() const;
    void linkAfter(Node* prev, Node* node);
    Node* insertionPoint(int where) const;
    template <typename Record> bool insert(Record&& record, int where);
    struct Slot;
    // Destroys the node (when given) and keeps its slot for reuse.
    void freeNode(Node* node, Slot* slot);
    bool findByWalk(int32_t sequenceNumber);

    std::string name_;
    int32_t number_ = 0;
    // Sentinels; their lines are never handed out. head_.line.sequenceNumber stays 0.
    mutable Node head_;
    mutable Node tail_;
    Node* current_ = nullptr;
    mutable Node* valid_ = nullptr; // last numbered line; &head_ when none
    mutable bool currentAhead_ = false;
    // Finds in a phase without changes (the writers, the fix-ups) use a sorted table of the
    // lines, built once the walks since the last change have cost as much as building it.
    uint64_t changes_ = 0;
    uint64_t walkedAt_ = ~uint64_t(0);
    size_t walked_ = 0;
    uint64_t indexedAt_ = ~uint64_t(0);
    std::vector<Node*> index_;

    // Lines live in blocks of slots (growing from 8 to 1024 a block, then 2 MiB blocks) with a
    // free list: one allocation per block of lines instead of one per line, and none for reused
    // slots. The slots are raw storage, never cleared: each is constructed when it is taken.
    struct alignas(Node) Slot {
        unsigned char bytes[sizeof(Node)];
    };
    struct BlockRelease {
        size_t mappedBytes = 0; // 0: from operator new[]
        void operator()(Slot* block) const;
    };
    using Block = std::unique_ptr<Slot[], BlockRelease>;
    static Block newBlock(size_t slots);
    std::vector<Block> blocks_;
    size_t blockSize_ = 0;
    size_t blockUsed_ = 0;
    std::vector<Slot*> freeSlots_;
    size_t count_ = 0;

    void resetLinks();

  public:
    template <typename Pack, typename Line> class BasicIterator {
      public:
        BasicIterator(Pack* pack, Node* node) : pack_(pack), node_(node) {}
        Line& operator*() const { return node_->line; }
        Line* operator->() const { return &**this; }
        BasicIterator& operator++() {
            node_ = node_->next;
            return *this;
        }
        bool operator==(const BasicIterator& o) const { return node_ == o.node_; }
        bool operator!=(const BasicIterator& o) const { return node_ != o.node_; }

      private:
        [[maybe_unused]] Pack* pack_;
        Node* node_;
    };
};

// The macro list: macro bodies in definition order with a current position. A new body is
// numbered one above the last body (the first gets 0).
class TLinePackLink {
  public:
    // Appends a new empty body with that name; it becomes current. nullptr when memory runs out.
    TLinePack* add(std::string name = {});
    bool first();
    bool next();
    // The current body; nullptr when the list is empty.
    TLinePack* current();
    // The current body's number; -1 when the list is empty.
    int32_t currentNumber() const;
    // Makes the body with that number current; false when absent (position stays).
    bool goTo(int32_t number);
    // Makes the first body with exactly that name current and returns it; nullptr when absent.
    TLinePack* findByName(std::string_view name);
    bool isEmpty() const { return bodies_.empty(); }
    size_t count() const { return bodies_.size(); }
    // The i-th body in definition order (0-based); nullptr out of range.
    TLinePack* at(size_t i) { return i < bodies_.size() ? bodies_[i].get() : nullptr; }
    void clear();

  private:
    std::vector<std::unique_ptr<TLinePack>> bodies_;
    size_t current_ = 0;
};

} // namespace zerka
