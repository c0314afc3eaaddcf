#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quillon::widgets {

// An item of a TCollection: its setters tell the collection's owner that the
// item changed, so that the owner can show the change.
class TCollectionItem {
public:
    explicit TCollectionItem(std::function<void()> changed) : changed_(std::move(changed)) {}

protected:
    template <class T> void assign(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        if (changed_)
            changed_();
    }

private:
    std::function<void()> changed_;
};

// An ordered list of items owned by a control, which is told whenever an item
// is added, removed or changed. Items keep their address while they live.
template <class Item> class TCollection {
public:
    explicit TCollection(std::function<void()> changed) : changed_(std::move(changed)) {}

    Item& Add() { return emplace(); }
    int Count() const { return int(items_.size()); }
    Item& Items(int index) const { return *items_[checked(index)]; }
    void Delete(int index) {
        items_.erase(items_.begin() + std::ptrdiff_t(checked(index)));
        notify();
    }
    void Clear() {
        items_.clear();
        notify();
    }

protected:
    // Adds an item made from the change handler and the given arguments.
    template <class... Args> Item& emplace(Args&&... args) {
        items_.push_back(std::make_unique<Item>(changed_, std::forward<Args>(args)...));
        notify();
        return *items_.back();
    }

private:
    std::size_t checked(int index) const {
        if (index < 0 || index >= Count())
            throw std::out_of_range("List index out of bounds");
        return std::size_t(index);
    }
    void notify() const {
        if (changed_)
            changed_();
    }

    std::vector<std::unique_ptr<Item>> items_;
    std::function<void()> changed_;
};

} // namespace quillon::widgets
