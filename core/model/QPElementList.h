#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

class QPProjectBase;

// The owning list of one kind of element (tasks, resources or schedules), kept in
// ascending `id` order. Anyone may read it and change an element's fields; only the
// project container adds, removes, re-keys and renumbers elements, so that the order
// and the lookup by key stay right. Every lookup goes through this class, so the
// indexes behind it can change in one place.
template <class T>
class QPElementList {
    using Storage = std::vector<std::unique_ptr<T>>;

    template <class Value, class Base>
    class Iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = std::remove_const_t<Value>;
        using difference_type = std::ptrdiff_t;
        using pointer = Value*;
        using reference = Value&;

        Iterator() = default;
        explicit Iterator(Base it) : it_(it) {}
        reference operator*() const { return **it_; }
        pointer operator->() const { return it_->get(); }
        Iterator& operator++()
        {
            ++it_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++it_;
            return old;
        }
        Iterator& operator--()
        {
            --it_;
            return *this;
        }
        Iterator operator--(int)
        {
            Iterator old = *this;
            --it_;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.it_ == b.it_; }

    private:
        Base it_;
    };

public:
    using iterator = Iterator<T, typename Storage::iterator>;
    using const_iterator = Iterator<const T, typename Storage::const_iterator>;

    QPElementList() = default;
    QPElementList(const QPElementList&) = delete;
    QPElementList& operator=(const QPElementList&) = delete;

    iterator begin() { return iterator(items_.begin()); }
    iterator end() { return iterator(items_.end()); }
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    // The element at a position in list order.
    T& At(std::size_t index) const { return *items_[index]; }
    T& front() const { return *items_.front(); }
    T& back() const { return *items_.back(); }

    // The element with this `id` (the first, should several share it), or none.
    T* GetElement(int32_t id) const
    {
        const auto it = LowerBound(id);
        return (it != items_.end() && (*it)->id == id) ? it->get() : nullptr;
    }

    // The first element whose name is exactly this text, or none.
    T* GetElement(std::string_view name) const
    {
        for (const auto& item : items_)
            if (item->name == name)
                return item.get();
        return nullptr;
    }

    // The element with this key, or none. -1 names no element.
    T* GetElementByKey(int64_t key) const
    {
        if (key == -1)
            return nullptr;
        if (indexStale_)
            RebuildKeyIndex();
        const auto it = byKey_.find(key);
        return it == byKey_.end() ? nullptr : it->second;
    }

    // Position of an element of this list in list order, or -1.
    std::ptrdiff_t IndexOf(const T* element) const
    {
        if (!element)
            return -1;
        const auto it = LowerBound(element->id);
        for (auto at = it; at != items_.end() && (*at)->id == element->id; ++at)
            if (at->get() == element)
                return at - items_.begin();
        // Not found where its ID says: look everywhere rather than miss it.
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == element)
                return static_cast<std::ptrdiff_t>(i);
        return -1;
    }

private:
    friend class QPProjectBase;

    typename Storage::const_iterator LowerBound(int32_t id) const
    {
        return std::lower_bound(
                items_.begin(), items_.end(), id,
                [](const std::unique_ptr<T>& item, int32_t value) { return item->id < value; });
    }

    // Inserts in `id` order; among equal IDs the new element goes after the others.
    T& Insert(std::unique_ptr<T> element)
    {
        const int32_t id = element->id;
        const auto at = std::upper_bound(
                items_.begin(), items_.end(), id,
                [](int32_t value, const std::unique_ptr<T>& item) { return value < item->id; });
        T& inserted = **items_.insert(at, std::move(element));
        IndexKey(inserted);
        return inserted;
    }

    std::unique_ptr<T> RemoveAt(std::size_t index)
    {
        std::unique_ptr<T> removed = std::move(items_[index]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        if (duplicateKeys_) {
            indexStale_ = true;
        } else {
            const auto it = byKey_.find(removed->key);
            if (it != byKey_.end() && it->second == removed.get())
                byKey_.erase(it);
        }
        return removed;
    }

    // Puts the list back in `id` order after IDs were changed in place; elements with
    // equal IDs keep their relative order.
    void SortByID()
    {
        std::stable_sort(items_.begin(), items_.end(),
                         [](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) {
                             return a->id < b->id;
                         });
        if (duplicateKeys_)
            indexStale_ = true;
    }

    // Moves one element, whose `id` was just changed, to its place in `id` order: after
    // the other elements with the same ID.
    void Reposition(std::size_t index)
    {
        std::unique_ptr<T> element = std::move(items_[index]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        const int32_t id = element->id;
        const auto at = std::upper_bound(
                items_.begin(), items_.end(), id,
                [](int32_t value, const std::unique_ptr<T>& item) { return value < item->id; });
        items_.insert(at, std::move(element));
        if (duplicateKeys_)
            indexStale_ = true;
    }

    void Clear()
    {
        items_.clear();
        byKey_.clear();
        duplicateKeys_ = false;
        indexStale_ = false;
    }

    // After keys were changed in place.
    void KeysChanged() const { indexStale_ = true; }

    void IndexKey(T& element)
    {
        if (indexStale_ || element.key == -1)
            return;
        const auto [it, added] = byKey_.emplace(element.key, &element);
        if (!added) {
            // Two elements share a key (a damaged file): the first in list order answers,
            // which only a full rebuild can tell.
            duplicateKeys_ = true;
            indexStale_ = true;
        }
    }

    void RebuildKeyIndex() const
    {
        byKey_.clear();
        duplicateKeys_ = false;
        for (const auto& item : items_) {
            if (item->key == -1)
                continue;
            if (!byKey_.emplace(item->key, item.get()).second)
                duplicateKeys_ = true;
        }
        indexStale_ = false;
    }

    Storage items_;
    mutable std::unordered_map<int64_t, T*> byKey_;
    mutable bool duplicateKeys_ = false;
    mutable bool indexStale_ = false;
};
