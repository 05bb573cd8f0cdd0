// Links of an intrusive doubly linked list. Each list starts with a head
// object of the same type that is never written out; the object that owns
// the head deletes the members.
#pragma once

namespace reshaper {

template <class Item>
class ListLinks {
 public:
  Item* prev() const { return prev_; }
  Item* next() const { return next_; }
  bool isLinked() const { return linked_; }

  // Links this item directly behind other, unlinking it first if it is in a
  // list.
  void insertAfter(Item& other) {
    unlink();
    prev_ = &other;
    next_ = other.next_;
    if (next_ != nullptr) next_->prev_ = self();
    other.next_ = self();
    linked_ = true;
  }

  // Takes the item out of its list; its neighbours are joined.
  void unlink() {
    if (!linked_) return;
    if (prev_ != nullptr) prev_->next_ = next_;
    if (next_ != nullptr) next_->prev_ = prev_;
    prev_ = nullptr;
    next_ = nullptr;
    linked_ = false;
  }

 protected:
  ListLinks() = default;
  ~ListLinks() = default;

 private:
  Item* self() { return static_cast<Item*>(this); }

  Item* prev_ = nullptr;
  Item* next_ = nullptr;
  bool linked_ = false;
};

// Deletes every member behind head, one at a time.
template <class Item>
void deleteMembers(Item& head) {
  while (Item* item = head.next()) {
    item->unlink();
    delete item;
  }
}

}  // namespace reshaper
