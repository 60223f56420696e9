#pragma once

#include "exchange/XmlReader.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace txl::exchange {

// Runs a source of bytes (a part of a workbook being unpacked) on a thread of its own, a few
// pieces ahead of the one reading them: unpacking a sheet takes about as long as scanning it, and
// the two then share the machine's cores. What the source throws reaches the reader at the point
// where it happened, after the bytes that came before it.
class ReadAhead {
public:
    // Writes up to `room` bytes to `into`, returns how many, 0 at the end; throws on failure.
    using Source = xml::Source;

    explicit ReadAhead(Source source);
    // Stops the thread (after the source call it is in, if any).
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // As the source: up to `room` bytes at `into`, 0 at the end; rethrows what the source threw.
    qsizetype read(char *into, qsizetype room);

private:
    static constexpr qsizetype PieceBytes = 256 << 10;
    static constexpr int Pieces = 3;

    void run();

    Source m_source;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<QByteArray> m_empty;   // room for the thread to fill
    std::deque<QByteArray> m_filled;   // in the order read, each as long as what it holds
    bool m_end = false;
    bool m_stop = false;
    std::exception_ptr m_error;

    QByteArray m_current;   // the reader's, outside the lock
    qsizetype m_at = 0;

    std::thread m_thread;   // last: it starts once everything above is ready
};

}   // namespace txl::exchange
