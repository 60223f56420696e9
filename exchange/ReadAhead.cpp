#include "exchange/ReadAhead.h"

#include <algorithm>
#include <cstring>

namespace txl::exchange {

ReadAhead::ReadAhead(Source source) : m_source(std::move(source)) {
    for (int i = 0; i < Pieces; ++i)
        m_empty.emplace_back(PieceBytes, Qt::Uninitialized);
    m_thread = std::thread([this] { run(); });
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAhead::run() {
    for (;;) {
        QByteArray bytes;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_empty.empty(); });
            if (m_stop)
                return;
            bytes = std::move(m_empty.back());
            m_empty.pop_back();
        }
        bytes.resize(PieceBytes);   // shrunk to what it held last time; its room stays
        qsizetype got = 0;
        std::exception_ptr error;
        try {
            got = m_source(bytes.data(), bytes.size());
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            if (error)
                m_error = error;
            else if (got <= 0)
                m_end = true;
            else {
                bytes.truncate(std::min(got, bytes.size()));
                m_filled.push_back(std::move(bytes));
            }
        }
        m_changed.notify_all();
        if (error || got <= 0)
            return;
    }
}

qsizetype ReadAhead::read(char *into, qsizetype room) {
    if (m_at == m_current.size()) {
        std::unique_lock lock(m_mutex);
        if (!m_current.isNull())
            m_empty.push_back(std::move(m_current));
        m_current = QByteArray();
        m_at = 0;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_filled.empty() || m_end || m_error; });
        if (m_filled.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            return 0;
        }
        m_current = std::move(m_filled.front());
        m_filled.pop_front();
    }
    const qsizetype n = std::min(room, m_current.size() - m_at);
    std::memcpy(into, m_current.constData() + m_at, static_cast<size_t>(n));
    m_at += n;
    return n;
}

}   // namespace txl::exchange
