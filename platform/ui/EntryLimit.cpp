#include "platform/ui/EntryLimit.h"

#include "platform/os/Gb18030.h"

#include <QLineEdit>
#include <QPointer>

namespace txl::ui {

namespace {

// Keeps one field within its byte limit the way a limited edit control does: what the user types
// or pastes is cut so that the whole fits, and the text around it stays. Text set by the program
// is taken as it is.
class EntryLimiter : public QObject {
public:
    EntryLimiter(QLineEdit *edit, int bytes) : QObject(edit), m_edit(edit), m_bytes(bytes) {
        setObjectName(name());
        m_accepted = edit->text();
        connect(edit, &QLineEdit::textEdited, this, &EntryLimiter::edited);
        connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) {
            if (!m_cutting)
                m_accepted = text;
        });
    }

    static QString name() { return QStringLiteral("txlEntryLimiter"); }
    void setBytes(int bytes) { m_bytes = bytes; }

private:
    void edited(const QString &text) {
        if (os::gb18030Length(text) > m_bytes) {
            cut(text);
        }
        m_accepted = m_edit->text();
    }

    void cut(const QString &text) {
        // The edit replaced the middle of the accepted text: find the part that is new.
        const QString &before = m_accepted;
        const qsizetype shorter = qMin(before.size(), text.size());
        qsizetype head = 0;
        while (head < shorter && before.at(head) == text.at(head))
            ++head;
        if (head > 0 && text.at(head - 1).isHighSurrogate())
            --head;   // never split a surrogate pair
        qsizetype tail = 0;
        while (tail < shorter - head && before.at(before.size() - 1 - tail) == text.at(text.size() - 1 - tail))
            ++tail;
        if (tail > 0 && text.at(text.size() - tail).isLowSurrogate())
            --tail;

        const QString left = text.left(head);
        const QString right = text.right(tail);
        const QString inserted = text.mid(head, text.size() - head - tail);
        const int room = m_bytes - os::gb18030Length(left) - os::gb18030Length(right);
        const QString kept = room > 0 ? os::cutToGb18030(inserted, room) : QString();

        m_cutting = true;
        m_edit->setText(left + kept + right);
        m_edit->setCursorPosition(static_cast<int>(left.size() + kept.size()));
        m_cutting = false;
    }

    QPointer<QLineEdit> m_edit;
    int m_bytes;
    QString m_accepted;
    bool m_cutting = false;
};

}   // namespace

void setEntryLimit(QLineEdit *edit, int bytes) {
    if (QObject *existing = edit->findChild<QObject *>(EntryLimiter::name(), Qt::FindDirectChildrenOnly)) {
        static_cast<EntryLimiter *>(existing)->setBytes(bytes);
        return;
    }
    new EntryLimiter(edit, bytes);
}

}   // namespace txl::ui
