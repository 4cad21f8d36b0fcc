#pragma once

#include <QString>

#include <optional>
#include <utility>

// An operation that can fail says why: either a value or a message a user can read.
template <typename T> class [[nodiscard]] Result {
public:
    static Result ok(T value) { return Result(std::move(value), QString()); }
    static Result fail(QString why) { return Result(std::nullopt, std::move(why)); }

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const QString& error() const { return m_error; }

private:
    Result(std::optional<T> value, QString error)
        : m_value(std::move(value)), m_error(std::move(error)) {}
    std::optional<T> m_value;
    QString m_error;
};

// The same for operations that have nothing to return.
class [[nodiscard]] Status {
public:
    static Status ok() { return Status(QString(), true); }
    static Status fail(QString why) { return Status(std::move(why), false); }
    bool isOk() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& error() const { return m_error; }

private:
    Status(QString error, bool ok) : m_error(std::move(error)), m_ok(ok) {}
    QString m_error;
    bool m_ok;
};
