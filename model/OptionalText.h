#pragma once

#include <QString>
#include <concepts>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace vantor {

class OptionalText;

// What a present text is made from or compared with: anything QString is made from, but not
// another optional text, which has constructors and comparisons of its own.
template <typename T>
concept PlainText = std::constructible_from<QString, const T&> &&
                    !std::same_as<std::remove_cvref_t<T>, OptionalText> &&
                    !std::same_as<std::remove_cvref_t<T>, std::optional<QString>>;

// A text that may be absent, used as std::optional<QString> is. It holds one pointer, so that
// the many properties a column leaves unset cost a word each instead of a whole string: a large
// database holds tens of thousands of columns.
class OptionalText {
public:
    OptionalText() = default;
    OptionalText(std::nullopt_t) {} // NOLINT(google-explicit-constructor): as optional's
    // PlainText leaves copies and moves to the constructors below.
    // NOLINTBEGIN(bugprone-forwarding-reference-overload)
    template <PlainText T>
    OptionalText(T&& value) // NOLINT(google-explicit-constructor): as optional's
        : text_(std::make_unique<QString>(std::forward<T>(value))) {}
    // NOLINTEND(bugprone-forwarding-reference-overload)
    OptionalText(const std::optional<QString>& value) // NOLINT(google-explicit-constructor)
        : text_(value ? std::make_unique<QString>(*value) : nullptr) {}
    OptionalText(const OptionalText& other)
        : text_(other.text_ ? std::make_unique<QString>(*other.text_) : nullptr) {}
    OptionalText(OptionalText&&) noexcept = default;
    OptionalText& operator=(const OptionalText& other) {
        if (this != &other)
            text_ = other.text_ ? std::make_unique<QString>(*other.text_) : nullptr;
        return *this;
    }
    OptionalText& operator=(OptionalText&&) noexcept = default;
    ~OptionalText() = default;

    bool has_value() const { return text_ != nullptr; }
    explicit operator bool() const { return has_value(); }
    // As with std::optional, only for a text that is there.
    const QString& operator*() const { return *text_; }
    QString& operator*() { return *text_; }
    const QString* operator->() const { return text_.get(); }
    QString* operator->() { return text_.get(); }
    QString value_or(const QString& otherwise) const { return text_ ? *text_ : otherwise; }
    void reset() { text_.reset(); }

    operator std::optional<QString>() const { // NOLINT(google-explicit-constructor)
        return text_ ? std::optional<QString>(*text_) : std::nullopt;
    }

    friend bool operator==(const OptionalText& a, const OptionalText& b) {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }
    friend bool operator==(const OptionalText& a, std::nullopt_t) { return !a.has_value(); }
    // Against a plain text: equal only when present.
    template <PlainText T> friend bool operator==(const OptionalText& a, const T& b) {
        return a.has_value() && *a == b;
    }
    friend bool operator==(const OptionalText& a, const std::optional<QString>& b) {
        return a.has_value() == b.has_value() && (!a.has_value() || *a == *b);
    }

private:
    std::unique_ptr<QString> text_;
};

} // namespace vantor
