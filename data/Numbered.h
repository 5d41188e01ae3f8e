#pragma once
// Items numbered from 1, as objects and characters are: a vector whose slot 0
// is never used, so kernels can index it by the number without shifting.
//
// Use:
//   TNumbered<QString> names;
//   names.Resize(objectCount);             // items 1..objectCount
//   names[1] = QStringLiteral("Homo");     // asserts 1 <= i <= Count() in debug
//   for (const QString& n : names) ...     // items 1..Count() only
//   for (int o = 1; o <= names.Count(); ++o) ...
//   const std::vector<QString>& v = names; // slot 0 included, for kernels and
//                                          // functions taking a plain vector
#include <algorithm>
#include <cassert>
#include <initializer_list>
#include <utility>
#include <vector>

template <class T>
class TNumbered {
public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    TNumbered() = default;
    // Items 1..N given in order (slot 0 is added).
    static TNumbered FromItems(std::initializer_list<T> items)
    {
        TNumbered out;
        out.Items.reserve(items.size() + 1);
        out.Items.emplace_back();
        out.Items.insert(out.Items.end(), items);
        return out;
    }

    int Count() const { return Items.empty() ? 0 : static_cast<int>(Items.size()) - 1; }
    bool Empty() const { return Count() == 0; }

    T& operator[](int i)
    {
        assert(i >= 1 && i <= Count());
        return Items[static_cast<std::size_t>(i)];
    }
    const T& operator[](int i) const
    {
        assert(i >= 1 && i <= Count());
        return Items[static_cast<std::size_t>(i)];
    }

    // Items 1..count; new items are value-initialised, items past count go.
    void Resize(int count) { Items.resize(static_cast<std::size_t>(count < 0 ? 0 : count) + 1); }
    // Items 1..count, all set to value.
    void Assign(int count, const T& value)
    {
        Items.assign(static_cast<std::size_t>(count < 0 ? 0 : count) + 1, value);
    }
    // Adds item Count() + 1.
    void Append(T item)
    {
        if (Items.empty()) Items.emplace_back();
        Items.push_back(std::move(item));
    }
    void Clear() { Items.clear(); }

    // Items 1..Count(); slot 0 is skipped.
    iterator begin() { return Items.empty() ? Items.end() : Items.begin() + 1; }
    iterator end() { return Items.end(); }
    const_iterator begin() const { return Items.empty() ? Items.end() : Items.begin() + 1; }
    const_iterator end() const { return Items.end(); }

    // The underlying vector with slot 0, indexed by the number itself.
    const std::vector<T>& Vector() const { return Items; }
    std::vector<T>& Vector() { return Items; }
    operator const std::vector<T>&() const { return Items; }

    // Items 1..Count() only; slot 0 does not count.
    friend bool operator==(const TNumbered& a, const TNumbered& b)
    {
        return a.Count() == b.Count() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(const TNumbered& a, const TNumbered& b) { return !(a == b); }

private:
    std::vector<T> Items;
};
