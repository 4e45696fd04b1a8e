#pragma once

#include "model/VantorError.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace vantor {

// Folds a key so that letters differing only in case compare equal, including the full
// mappings (ß and SS) that simple case folding misses.
QString FoldKey(const QString& key);

// The platform's general-purpose collection: shared elements in insertion order, reachable by
// 1-based position or by an optional unique key compared without regard to letter case.
template <typename T> class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;

    struct Entry {
        Ptr element;
        QString key; // folded; empty when the element has no key
    };

    // Appends element under key (none when key is empty); a key already present raises and
    // leaves the collection as it was.
    void Append(const Ptr& element, const QString& key) {
        if (key.isEmpty()) {
            entries_.push_back({element, QString()});
            return;
        }
        QString folded = FoldKey(key);
        if (index_.contains(folded))
            throw VantorError(err::DuplicateKey,
                              QStringLiteral("This key is already associated with an element of "
                                             "this collection"));
        entries_.push_back({element, folded});
        index_.insert(folded, element);
    }

    // No element (null) for an absent key or a position outside 1..Count; never raises.
    Ptr Item(qint64 position) const {
        if (position < 1 || position > static_cast<qint64>(entries_.size()))
            return nullptr;
        return entries_[static_cast<size_t>(position - 1)].element;
    }
    Ptr Item(const QString& key) const { return index_.value(FoldKey(key)); }

    qint32 Count() const { return static_cast<qint32>(entries_.size()); }

    // Removing an absent element raises to the caller.
    void Remove(qint64 position) {
        if (position < 1 || position > static_cast<qint64>(entries_.size()))
            throw invalidArgument();
        auto it = entries_.begin() + (position - 1);
        if (!it->key.isEmpty())
            index_.remove(it->key);
        entries_.erase(it);
    }
    void Remove(const QString& key) {
        QString folded = FoldKey(key);
        if (!index_.contains(folded))
            throw invalidArgument();
        index_.remove(folded);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->key == folded) {
                entries_.erase(it);
                return;
            }
        }
    }
    // Enumeration in collection order (the NewEnum of the design).
    std::vector<Ptr> NewEnum() const {
        std::vector<Ptr> all;
        all.reserve(entries_.size());
        for (const auto& e : entries_)
            all.push_back(e.element);
        return all;
    }

    class const_iterator {
    public:
        explicit const_iterator(typename std::vector<Entry>::const_iterator it) : it_(it) {}
        const Ptr& operator*() const { return it_->element; }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        typename std::vector<Entry>::const_iterator it_;
    };
    const_iterator begin() const { return const_iterator(entries_.cbegin()); }
    const_iterator end() const { return const_iterator(entries_.cend()); }

private:
    static VantorError invalidArgument() {
        return VantorError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument"));
    }

    std::vector<Entry> entries_;
    QHash<QString, Ptr> index_;
};

} // namespace vantor
