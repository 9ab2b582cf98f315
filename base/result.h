#pragma once
// Errors as values: a failed core operation carries the string-table id of the
// message the window shows, and the text to show (already formatted).
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace zlm {

enum class Icon { None, Stop, Exclamation, Question, Information };

struct Message {
    int id = 0;            // string-table id, 0 when the text is built elsewhere
    std::string text;      // the text as shown to the user
    Icon icon = Icon::Stop;
    std::string caption;   // empty: the application title
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Message error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Message& error() const { return std::get<Message>(m_state); }

private:
    std::variant<T, Message> m_state;
};

// Result of an operation that yields nothing but may fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Message error) : m_error(std::move(error)) {}
    static Status success() { return {}; }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Message& error() const { return *m_error; }

private:
    std::optional<Message> m_error;
};

} // namespace zlm
