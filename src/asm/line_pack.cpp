#include "asm/line_pack.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace zerka {

// Numbering: the eager rule renumbers every line from an inserted one to the end. Here the
// lines up to valid_ hold their numbers and the lines after it are known to follow valid_
// without gaps, so an insertion only moves valid_ back to the line before it, and reaching a
// line numbers the stretch from valid_ to it. A deletion first numbers up to the line after the
// deleted one, so the gap it leaves is kept exactly as the eager rule keeps it.

namespace {

// A large program's lines fill megabytes; in blocks of one transparent huge page each they cost
// one page fault per 2 MiB instead of one per 4 KiB, which is most of the reading time on a
// machine where faults are dear.
constexpr size_t kHugeBlockBytes = size_t(2) << 20;

} // namespace

TLinePack::Block TLinePack::newBlock(size_t slots) {
    if (slots == kHugeBlockBytes / sizeof(Slot)) {
        // Twice the size, so that an aligned 2 MiB stretch lies inside; the rest is unmapped.
        const size_t span = 2 * kHugeBlockBytes;
        void* p = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            const auto start = reinterpret_cast<uintptr_t>(p);
            const uintptr_t aligned = (start + kHugeBlockBytes - 1) & ~(kHugeBlockBytes - 1);
            if (aligned > start) ::munmap(p, aligned - start);
            const uintptr_t end = aligned + kHugeBlockBytes;
            if (start + span > end) ::munmap(reinterpret_cast<void*>(end), start + span - end);
            ::madvise(reinterpret_cast<void*>(aligned), kHugeBlockBytes, MADV_HUGEPAGE);
            return Block(reinterpret_cast<Slot*>(aligned), BlockRelease{kHugeBlockBytes});
        }
        // Without a mapping the ordinary heap serves (and throws bad_alloc when it cannot).
    }
    return Block(new Slot[slots], BlockRelease{0});
}

void TLinePack::BlockRelease::operator()(Slot* block) const {
    if (mappedBytes != 0)
        ::munmap(block, mappedBytes);
    else
        delete[] block;
}

TLinePack::TLinePack() {
    resetLinks();
}

TLinePack::TLinePack(std::string name, int32_t number) : name_(std::move(name)), number_(number) {
    resetLinks();
}

TLinePack::~TLinePack() {
    clear();
}

TLinePack::TLinePack(TLinePack&& other) noexcept {
    *this = std::move(other);
}

TLinePack& TLinePack::operator=(TLinePack&& other) noexcept {
    if (this == &other) return *this;
    clear();
    name_ = std::move(other.name_);
    number_ = other.number_;
    if (other.count_ != 0) {
        head_.next = other.head_.next;
        tail_.prev = other.tail_.prev;
        head_.next->prev = &head_;
        tail_.prev->next = &tail_;
        count_ = other.count_;
        current_ = other.current_;
        valid_ = other.valid_ == &other.head_ ? &head_ : other.valid_;
        currentAhead_ = other.currentAhead_;
    }
    blocks_ = std::move(other.blocks_);
    freeSlots_ = std::move(other.freeSlots_);
    blockSize_ = other.blockSize_;
    blockUsed_ = other.blockUsed_;
    other.blocks_.clear();
    other.freeSlots_.clear();
    other.blockSize_ = 0;
    other.blockUsed_ = 0;
    other.resetLinks();
    return *this;
}

void TLinePack::resetLinks() {
    ++changes_;
    index_.clear();
    head_.prev = nullptr;
    head_.next = &tail_;
    tail_.prev = &head_;
    tail_.next = nullptr;
    head_.line.sequenceNumber = 0;
    current_ = nullptr;
    valid_ = &head_;
    currentAhead_ = false;
    count_ = 0;
}

bool TLinePack::knownNumbered(const Node* n) const {
    if (n == &head_ || n == valid_) return true;
    if (n == current_) return !currentAhead_;
    // The line before a numbered current line is numbered; before one beyond valid_ it is
    // beyond valid_ too, valid_ itself being handled above.
    if (current_ && n == current_->prev) return !currentAhead_;
    return false; // the last line when it is not valid_
}

void TLinePack::numberThrough(const Node* n) const {
    Node* p = valid_;
    while (p != n && p->next != &tail_) {
        Node* q = p->next;
        q->line.sequenceNumber = p->line.sequenceNumber + 1;
        if (q == current_) currentAhead_ = false;
        p = q;
    }
    valid_ = p;
}

void TLinePack::numberAll() const {
    if (valid_ != tail_.prev) numberThrough(tail_.prev);
}

void TLinePack::linkAfter(Node* prev, Node* node) {
    const bool numbered = knownNumbered(prev);
    node->prev = prev;
    node->next = prev->next;
    prev->next->prev = node;
    prev->next = node;
    ++count_;
    ++changes_;
    current_ = node;
    if (numbered) {
        node->line.sequenceNumber = prev->line.sequenceNumber + 1;
        // At the end nothing follows that could need renumbering.
        if (node->next == &tail_) {
            valid_ = node;
            currentAhead_ = false;
        } else {
            valid_ = prev;
            currentAhead_ = true;
        }
    } else {
        currentAhead_ = true;
    }
}

TLinePack::Node* TLinePack::insertionPoint(int where) const {
    switch (where) {
    case AtFront:
        return &head_;
    case AtEnd:
        return tail_.prev;
    case AfterCurrent:
        return current_ ? current_ : &head_;
    case BeforeCurrent:
        return current_ ? current_->prev : tail_.prev;
    default:
        return nullptr;
    }
}

template <typename Record> bool TLinePack::insert(Record&& record, int where) {
    Node* prev = insertionPoint(where);
    if (!prev) return false;
    Slot* slot = nullptr;
    try {
        if (!freeSlots_.empty()) {
            slot = freeSlots_.back();
            freeSlots_.pop_back();
        } else {
            if (blocks_.empty() || blockUsed_ == blockSize_) {
                const size_t size = blockSize_ == 0     ? 8
                                    : blockSize_ < 1024 ? blockSize_ * 2
                                                        : kHugeBlockBytes / sizeof(Slot);
                blocks_.reserve(blocks_.size() + 1);
                blocks_.push_back(newBlock(size));
                blockSize_ = size;
                blockUsed_ = 0;
            }
            slot = &blocks_.back()[blockUsed_++];
        }
        Node* node = new (slot) Node{std::forward<Record>(record), nullptr, nullptr};
        linkAfter(prev, node);
    } catch (const std::bad_alloc&) {
        if (slot) freeNode(nullptr, slot);
        return false;
    }
    return true;
}

void TLinePack::freeNode(Node* node, Slot* slot) {
    if (node) node->~Node();
    try {
        freeSlots_.push_back(slot);
    } catch (const std::bad_alloc&) {
        // The slot is only lost for reuse; its block is released by clear().
    }
}

bool TLinePack::add(const SourceLine& record, int where) {
    return insert(record, where);
}

bool TLinePack::add(SourceLine&& record, int where) {
    return insert(std::move(record), where);
}

bool TLinePack::addText(std::string_view text, int fileIndex, int where, int32_t lineNumber) {
    SourceLine record;
    try {
        record.setText(text);
    } catch (const std::bad_alloc&) {
        return false;
    }
    record.fileIndex = uint8_t(fileIndex);
    record.lineNumber = lineNumber;
    return add(std::move(record), where);
}

bool TLinePack::deleteCurrent() {
    if (!current_) return false;
    Node* node = current_;
    if (currentAhead_) numberThrough(node);
    if (valid_ == node && node->next != &tail_) numberThrough(node->next);
    if (valid_ == node) valid_ = node->prev;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    --count_;
    ++changes_;
    if (node->prev != &head_)
        current_ = node->prev;
    else
        current_ = node->next != &tail_ ? node->next : nullptr;
    currentAhead_ = false; // both candidates are numbered now
    freeNode(node, reinterpret_cast<Slot*>(node));
    return true;
}

bool TLinePack::first() {
    if (count_ == 0) return false;
    current_ = head_.next;
    currentAhead_ = valid_ == &head_;
    return true;
}

bool TLinePack::last() {
    if (count_ == 0) return false;
    current_ = tail_.prev;
    currentAhead_ = valid_ != tail_.prev;
    return true;
}

bool TLinePack::next() {
    if (!current_ || current_->next == &tail_) return false;
    if (current_ == valid_) currentAhead_ = true;
    current_ = current_->next;
    return true;
}

bool TLinePack::previous() {
    if (!current_ || current_->prev == &head_) return false;
    current_ = current_->prev;
    if (currentAhead_ && current_ == valid_) currentAhead_ = false;
    return true;
}

bool TLinePack::find(int32_t sequenceNumber) {
    if (count_ == 0 || sequenceNumber < 1) return false;
    if (walkedAt_ != changes_) {
        walkedAt_ = changes_;
        walked_ = 0;
    }
    if (indexedAt_ != changes_ && walked_ >= count_) {
        numberAll();
        index_.clear();
        try {
            index_.reserve(count_);
            for (Node* p = head_.next; p != &tail_; p = p->next)
                index_.push_back(p);
            indexedAt_ = changes_;
        } catch (const std::bad_alloc&) {
            index_.clear(); // walking still works
        }
    }
    if (indexedAt_ == changes_) {
        // Numbers rise strictly along the list, gaps or not.
        auto it =
            std::lower_bound(index_.begin(), index_.end(), sequenceNumber,
                             [](const Node* n, int32_t s) { return n->line.sequenceNumber < s; });
        if (it == index_.end() || (*it)->line.sequenceNumber != sequenceNumber) return false;
        current_ = *it;
        currentAhead_ = false;
        return true;
    }
    return findByWalk(sequenceNumber);
}

bool TLinePack::findByWalk(int32_t sequenceNumber) {
    if (sequenceNumber > valid_->line.sequenceNumber) {
        // Beyond the numbered stretch: number on until the wanted number is reached or passed.
        while (valid_->next != &tail_ && valid_->line.sequenceNumber < sequenceNumber) {
            numberThrough(valid_->next);
            ++walked_;
        }
        if (valid_ == &head_ || valid_->line.sequenceNumber != sequenceNumber) return false;
        current_ = valid_;
        currentAhead_ = false;
        return true;
    }
    // Inside the numbered stretch numbers rise strictly (gaps only where lines were deleted),
    // so walk from whichever of its start, its end or the current line is nearest.
    Node* start = head_.next;
    int32_t bestDistance = sequenceNumber - start->line.sequenceNumber;
    const int32_t fromValid = valid_->line.sequenceNumber - sequenceNumber;
    if (fromValid < bestDistance) {
        start = valid_;
        bestDistance = fromValid;
    }
    if (current_ && !currentAhead_) {
        const int32_t d = current_->line.sequenceNumber - sequenceNumber;
        if ((d < 0 ? -d : d) < bestDistance) start = current_;
    }
    Node* p = start;
    if (p->line.sequenceNumber <= sequenceNumber) {
        while (p != valid_ && p->line.sequenceNumber < sequenceNumber) {
            p = p->next;
            ++walked_;
        }
    } else {
        while (p->prev != &head_ && p->line.sequenceNumber > sequenceNumber) {
            p = p->prev;
            ++walked_;
        }
    }
    if (p->line.sequenceNumber != sequenceNumber) return false;
    current_ = p;
    currentAhead_ = false;
    return true;
}

SourceLine* TLinePack::current() {
    if (!current_) return nullptr;
    if (currentAhead_) numberThrough(current_);
    return &current_->line;
}

const SourceLine* TLinePack::current() const {
    if (!current_) return nullptr;
    if (currentAhead_) numberThrough(current_);
    return &current_->line;
}

SourceLine TLinePack::copyOfCurrent() const {
    const SourceLine* line = current();
    return line ? *line : SourceLine{};
}

int32_t TLinePack::currentNumber() const {
    const SourceLine* line = current();
    return line ? line->sequenceNumber : 0;
}

void TLinePack::clear() {
    Node* p = head_.next;
    while (p && p != &tail_) {
        Node* q = p->next;
        p->~Node();
        p = q;
    }
    blocks_.clear();
    freeSlots_.clear();
    blockSize_ = 0;
    blockUsed_ = 0;
    resetLinks();
}

TLinePack::iterator TLinePack::begin() {
    numberAll();
    return iterator(this, head_.next);
}
TLinePack::iterator TLinePack::end() {
    return iterator(this, &tail_);
}
TLinePack::const_iterator TLinePack::begin() const {
    numberAll();
    return const_iterator(this, head_.next);
}
TLinePack::const_iterator TLinePack::end() const {
    return const_iterator(this, &tail_);
}

// --- TLinePackLink ---

TLinePack* TLinePackLink::add(std::string name) {
    const int32_t number = bodies_.empty() ? 0 : bodies_.back()->number() + 1;
    try {
        bodies_.push_back(std::make_unique<TLinePack>(std::move(name), number));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    current_ = bodies_.size() - 1;
    return bodies_.back().get();
}

bool TLinePackLink::first() {
    if (bodies_.empty()) return false;
    current_ = 0;
    return true;
}

bool TLinePackLink::next() {
    if (current_ + 1 >= bodies_.size()) return false;
    ++current_;
    return true;
}

TLinePack* TLinePackLink::current() {
    return current_ < bodies_.size() ? bodies_[current_].get() : nullptr;
}

int32_t TLinePackLink::currentNumber() const {
    return current_ < bodies_.size() ? bodies_[current_]->number() : -1;
}

bool TLinePackLink::goTo(int32_t number) {
    for (size_t i = 0; i < bodies_.size(); ++i) {
        if (bodies_[i]->number() == number) {
            current_ = i;
            return true;
        }
    }
    return false;
}

TLinePack* TLinePackLink::findByName(std::string_view name) {
    for (size_t i = 0; i < bodies_.size(); ++i) {
        if (bodies_[i]->name() == name) {
            current_ = i;
            return bodies_[i].get();
        }
    }
    return nullptr;
}

void TLinePackLink::clear() {
    bodies_.clear();
    current_ = 0;
}

} // namespace zerka
