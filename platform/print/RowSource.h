#pragma once

#include <QAnyStringView>

#include <vector>

namespace txl::print {

// Where a report's rows come from, read one at a time in order.
class RowSource {
public:
    virtual ~RowSource() = default;

    // Goes to the first row. A source without rows (or one that cannot be read) gives none.
    virtual void start() = 0;
    virtual bool atEnd() const = 0;
    // The fields of the current row, valid until the next call on the source.
    virtual void fields(std::vector<QAnyStringView> &out) = 0;
    virtual void next() = 0;
    // Called when the walk pauses (between slices): a source with a cursor of its own puts it on
    // the walk's row, so that whatever follows the cursor shows how far the walk has come.
    virtual void pause() {}
    // Called once after the last row was read.
    virtual void finish() {}

    // Progress: rows read so far, and of how many.
    virtual int position() const = 0;
    virtual int count() const = 0;

    // True once the rows were replaced under the walk (a new result): what was read no longer
    // belongs with what follows. start() clears it.
    virtual bool replaced() const { return false; }

    // Builds over the same key read the same cursor and so must take turns.
    virtual const void *key() const { return this; }
};

}   // namespace txl::print
