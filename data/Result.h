#pragma once
// What a step that can fail hands back: its value, or one sentence for the
// user saying why not. Every core step that can fail reports it this way.
//
// Use:
//   TResult<TTree> ReadTree(const QString& text) {
//       if (text.isEmpty()) return TFailure(QStringLiteral("The file is empty."));
//       return tree;
//   }
//   auto tree = ReadTree(text);
//   if (!tree) { Show(tree.Error()); return; }
//   Draw(*tree);
//
//   TStatus Save(...) { ...; return {}; }   // success without a value
#include <QString>
#include <cassert>
#include <optional>
#include <utility>

// A failure on its way into any TResult.
struct TFailure {
    explicit TFailure(QString error) : Error(std::move(error)) {}
    QString Error;
};

template <class T>
class [[nodiscard]] TResult {
public:
    TResult(T value) : Stored(std::move(value)) {}
    TResult(TFailure failure) : Why(std::move(failure.Error)) {}

    bool Ok() const { return Stored.has_value(); }
    explicit operator bool() const { return Ok(); }
    // The sentence for the user; empty when Ok().
    const QString& Error() const { return Why; }

    T& Value() &
    {
        assert(Ok());
        return *Stored;
    }
    const T& Value() const&
    {
        assert(Ok());
        return *Stored;
    }
    T&& Value() &&
    {
        assert(Ok());
        return std::move(*Stored);
    }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }
    T&& operator*() && { return std::move(*this).Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

private:
    std::optional<T> Stored;
    QString Why;
};

// A step that hands back nothing but whether it worked.
template <>
class [[nodiscard]] TResult<void> {
public:
    TResult() = default;
    TResult(TFailure failure) : Why(std::move(failure.Error)), Failed(true) {}

    bool Ok() const { return !Failed; }
    explicit operator bool() const { return Ok(); }
    const QString& Error() const { return Why; }

private:
    QString Why;
    bool Failed = false;
};
using TStatus = TResult<void>;
