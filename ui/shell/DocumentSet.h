#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <vector>

namespace vantor {

// The numbered slots of the script documents, first slot 1. A slot keeps its number for the
// whole run; it holds the document's window, or nothing once that window is gone.
class DocumentSet {
public:
    // The highest slot number, 0 before the first document.
    int UBound() const { return static_cast<int>(slots_.size()); }
    // Adds a slot and answers its number.
    int GetFreeDocIndex() {
        slots_.emplace_back();
        return UBound();
    }
    QMdiSubWindow* Item(int n) const {
        return n >= 1 && n <= UBound() ? slots_[static_cast<size_t>(n - 1)].data() : nullptr;
    }
    void Set(int n, QMdiSubWindow* window) {
        if (n >= 1 && n <= UBound())
            slots_[static_cast<size_t>(n - 1)] = window;
    }
    // The slot of a window, or 0.
    int IndexOf(const QMdiSubWindow* window) const {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (window && slots_[i] == window)
                return static_cast<int>(i + 1);
        return 0;
    }

private:
    std::vector<QPointer<QMdiSubWindow>> slots_;
};

} // namespace vantor
