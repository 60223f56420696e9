#include "contacts/Unit3.h"

#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/db/DbError.h"
#include "platform/os/Regional.h"
#include "platform/ui/Application.h"
#include "tests/support/TestSupport.h"

#include <sqlite3.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using txl::test::BoxRecorder;
using txl::test::ModuleFixture;
using txl::ui::BoxKind;

namespace {

using Driver = std::function<void(TAdd &)>;

// Opens the dialog the way the main window does; `driver` runs while it is shown. Returns whether
// it was shown at all.
bool open(void (*opener)(), const Driver &driver) {
    bool shown = false;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        shown = true;
        driver(static_cast<TAdd &>(form));
    });
    opener();
    txl::ui::Form::setModalDriver({});
    return shown;
}

bool openAdd(const Driver &driver) {
    return open(&TAdd::openForAdd, driver);
}

bool openChange(const Driver &driver) {
    return open(&TAdd::openForChange, driver);
}

// The nine values in column order. The birth date is "yyyy-MM-dd" for the picker; an empty one
// leaves the picker as it is.
void fill(TAdd &form, const QStringList &values) {
    form.edname->setText(values.value(0));
    form.cbsex->setEditText(values.value(1));
    if (!values.value(2).isEmpty())
        form.eddate2->setDate(QDate::fromString(values.value(2), u"yyyy-MM-dd"_s));
    form.edmobel->setText(values.value(3));
    form.edss->setText(values.value(4));
    form.edxl->setText(values.value(5));
    form.edqq->setText(values.value(6));
    form.edmail->setText(values.value(7));
    form.edadress->setText(values.value(8));
}

// Every contact of the file in the order it was stored, read on a query of its own.
QList<QStringList> storedContacts() {
    return txl::test::rowsOf(DataModule1->con, u"select * from UsersInfo order by rowid"_s);
}

QStringList storedNames() {
    QStringList names;
    for (const QStringList &row : storedContacts())
        names << row.value(0);
    return names;
}

QStringList listedNames() {
    const txl::db::Query &q = DataModule1->query;
    QStringList names;
    for (int r = 0; r < q.recordCount(); ++r)
        names << q.value(r, q.columnIndex(u"姓名"_s));
    return names;
}

// The main window's full list, as it stands before a command.
void showAll() {
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);
}

// Types `text` the way a user does: Latin characters from the keyboard, every other character
// committed by the input method, one at a time.
void type(QLineEdit *edit, const QString &text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, units);
        i += units;
        if (character.at(0).unicode() < 0x80) {
            QTest::keyClick(edit, char(character.at(0).unicode()));
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(character);
        QApplication::sendEvent(edit, &commit);
    }
}

void runOn(sqlite3 *db, const char *statement) {
    char *message = nullptr;
    const int rc = sqlite3_exec(db, statement, nullptr, nullptr, &message);
    const QByteArray text = message != nullptr ? QByteArray(message) : QByteArray();
    sqlite3_free(message);
    QVERIFY2(rc == SQLITE_OK, text.constData());
}

const QStringList Zhang = {u"张三"_s,     u"男"_s,    u"1985-06-01"_s,    u"13800000001"_s, u"3-101"_s,
                           u"88001234"_s, u"10001"_s, u"zs@example.cn"_s, u"杭州"_s};
const QStringList ZhangToo = {u"张三"_s,     u"女"_s,    u"1987-09-10"_s,     u"13800000002"_s, u"5-202"_s,
                              u"88005678"_s, u"10002"_s, u"zs2@example.cn"_s, u"宁波"_s};
const QStringList Li = {u"李四"_s,     u"男"_s,    u"1986-01-02"_s,    u"13900000003"_s, u"2-303"_s,
                        u"88009999"_s, u"10003"_s, u"ls@example.cn"_s, u"温州"_s};

// The ways a write can be refused by the file.
enum class Fault { ReadOnly, Locked, TooLong, RowGone };

// While it lives, SQLite reaches files through a disk that can start failing: once `failing` is
// set, every read fails as a read from a broken disk does. Connections opened meanwhile use it.
class FailingDisk {
public:
    FailingDisk() : m_real(sqlite3_vfs_find(nullptr)) {
        s_real = m_real;
        m_vfs = *m_real;
        m_vfs.pNext = nullptr;
        m_vfs.zName = "txl-failing-disk";
        m_vfs.szOsFile = static_cast<int>(sizeof(sqlite3_file)) + m_real->szOsFile;
        m_vfs.xOpen = [](sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags) {
            const int rc = s_real->xOpen(s_real, name, inner(file), flags, outFlags);
            file->pMethods = inner(file)->pMethods != nullptr ? &Methods : nullptr;
            return rc;
        };
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FailingDisk() {
        failing = false;
        sqlite3_vfs_register(m_real, 1);
        sqlite3_vfs_unregister(&m_vfs);
    }
    FailingDisk(const FailingDisk &) = delete;
    FailingDisk &operator=(const FailingDisk &) = delete;

    static inline bool failing = false;

private:
    // The disk's own file lies right after ours.
    static sqlite3_file *inner(sqlite3_file *file) { return file + 1; }

    static inline const sqlite3_io_methods Methods = {
        1,
        [](sqlite3_file *f) { return inner(f)->pMethods->xClose(inner(f)); },
        [](sqlite3_file *f, void *buffer, int amount, sqlite3_int64 offset) {
            return failing ? SQLITE_IOERR_READ : inner(f)->pMethods->xRead(inner(f), buffer, amount, offset);
        },
        [](sqlite3_file *f, const void *buffer, int amount, sqlite3_int64 offset) {
            return inner(f)->pMethods->xWrite(inner(f), buffer, amount, offset);
        },
        [](sqlite3_file *f, sqlite3_int64 size) { return inner(f)->pMethods->xTruncate(inner(f), size); },
        [](sqlite3_file *f, int flags) { return inner(f)->pMethods->xSync(inner(f), flags); },
        [](sqlite3_file *f, sqlite3_int64 *size) { return inner(f)->pMethods->xFileSize(inner(f), size); },
        [](sqlite3_file *f, int lock) { return inner(f)->pMethods->xLock(inner(f), lock); },
        [](sqlite3_file *f, int lock) { return inner(f)->pMethods->xUnlock(inner(f), lock); },
        [](sqlite3_file *f, int *out) { return inner(f)->pMethods->xCheckReservedLock(inner(f), out); },
        [](sqlite3_file *f, int op, void *arg) { return inner(f)->pMethods->xFileControl(inner(f), op, arg); },
        [](sqlite3_file *f) { return inner(f)->pMethods->xSectorSize(inner(f)); },
        [](sqlite3_file *f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); },
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
    };
    static inline sqlite3_vfs *s_real = nullptr;
    sqlite3_vfs *m_real;
    sqlite3_vfs m_vfs{};
};

}   // namespace

Q_DECLARE_METATYPE(Fault)

class ContactsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void design();
    void places_data();
    void places();
    void tabOrder();
    void entryLimits_data();
    void entryLimits();

    void trimming_data();
    void trimming();
    void blankName_data();
    void blankName();
    void duplicateRefused_data();
    void duplicateRefused();
    void mainWindowTotalUnchanged_data();
    void mainWindowTotalUnchanged();
    void changeToAnotherContactsName();
    void untouchedPickerStoresItsDate();
    void addShowsEveryoneFromTheFirstRow();
    void textOutsideGbk_data();
    void textOutsideGbk();
    void insertRefused_data();
    void insertRefused();
    void reloadAfterInsertFails();
    void changeRefused_data();
    void changeRefused();
    void changeCutsToColumnLength();

    void birthDateIntoPicker_data();
    void birthDateIntoPicker();
    void birthDateNotConverting_data();
    void birthDateNotConverting();
    void emptyList_data();
    void emptyList();

    void cancel_data();
    void cancel();

private:
    // Takes the main-form slot, so that closing the dialog never counts as ending the run.
    std::unique_ptr<txl::ui::Form> m_mainForm;
};

void ContactsTest::initTestCase() {
    m_mainForm = std::make_unique<txl::ui::Form>(u"Form2"_s);
}

void ContactsTest::design() {
    TAdd form;
    QCOMPARE(form.size(), QSize(424, 238));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!form.windowIcon().isNull());

    QVERIFY(form.cbsex->isEditable());
    QCOMPARE(form.cbsex->count(), 2);
    QCOMPARE(form.cbsex->itemText(0), u"男"_s);
    QCOMPARE(form.cbsex->itemText(1), u"女"_s);
    QCOMPARE(form.cbsex->currentText(), u"男"_s);
    QCOMPARE(form.eddate2->date(), QDate(1986, 3, 21));
    QVERIFY(form.eddate2->calendarPopup());
    QCOMPARE(form.GroupBox2->title(), u"操作"_s);
    QCOMPARE(form.Button2->text(), u"取消"_s);

    // Each label stands on its field's line, left of it, wholly readable inside the group and
    // clear of every field.
    const QList<QLabel *> labels = {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5,
                                    form.Label6, form.Label7, form.Label8, form.Label9};
    const QList<QWidget *> fields = {form.edname, form.cbsex, form.eddate2, form.edqq,    form.edmobel,
                                     form.edxl,   form.edss,  form.edmail,  form.edadress};
    for (QLabel *label : labels) {
        QWidget *field = label->buddy();
        QVERIFY2(field != nullptr, qPrintable(label->text()));
        QCOMPARE(field->height(), 20);
        QCOMPARE(label->y(), field->y() + 4);
        QVERIFY2(label->geometry().right() < field->x(), qPrintable(label->text()));
        for (QWidget *other : fields)
            QVERIFY2(!label->geometry().intersects(other->geometry()), qPrintable(label->text()));
    }

    // Nothing of a group sticks out of its frame or runs into its caption.
    form.GroupBox1->setTitle(u"修改好友"_s);
    for (QGroupBox *group : {form.GroupBox1, form.GroupBox2}) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.textAlignment = group->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect caption = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                                             group);
        for (QWidget *child : group->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(group->contentsRect().contains(child->geometry()), qPrintable(child->objectName()));
            QVERIFY2(!caption.intersects(child->geometry()), qPrintable(child->objectName()));
        }
    }
}

void ContactsTest::places_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<int>("labelLeft");
    QTest::newRow("姓名") << u"edname"_s << u"Label1"_s << u"姓名："_s << QRect(80, 20, 97, 20) << 16;
    QTest::newRow("性别") << u"cbsex"_s << u"Label2"_s << u"性别："_s << QRect(296, 20, 41, 20) << 232;
    QTest::newRow("出生日期") << u"eddate2"_s << u"Label3"_s << u"出生日期："_s << QRect(80, 51, 97, 20) << 16;
    QTest::newRow("QQ") << u"edqq"_s << u"Label4"_s << u"QQ:"_s << QRect(296, 52, 97, 20) << 232;
    QTest::newRow("手机号码") << u"edmobel"_s << u"Label5"_s << u"手机号码："_s << QRect(80, 86, 97, 20) << 16;
    QTest::newRow("家庭电话") << u"edxl"_s << u"Label6"_s << u"家庭电话："_s << QRect(296, 86, 97, 20) << 232;
    QTest::newRow("宿舍号码") << u"edss"_s << u"Label7"_s << u"宿舍号码："_s << QRect(80, 119, 97, 20) << 16;
    QTest::newRow("电子邮箱") << u"edmail"_s << u"Label8"_s << u"电子邮箱："_s << QRect(296, 119, 97, 20) << 232;
    QTest::newRow("家庭住址") << u"edadress"_s << u"Label9"_s << u"家庭住址："_s << QRect(80, 152, 313, 20) << 16;
    QTest::newRow("mode button") << u"Button1"_s << QString() << u"提交"_s << QRect(80, 14, 75, 25) << 0;
    QTest::newRow("取消") << u"Button2"_s << QString() << u"取消"_s << QRect(248, 14, 75, 25) << 0;
}

// Every field and button at its place in its group; each label names its field.
void ContactsTest::places() {
    QFETCH(QString, field);
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QFETCH(QRect, place);
    QFETCH(int, labelLeft);

    TAdd form;
    auto *widget = form.findChild<QWidget *>(field);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->geometry(), place);
    if (label.isEmpty()) {
        QCOMPARE(widget->parentWidget(), form.GroupBox2);
        QCOMPARE(static_cast<QPushButton *>(widget)->text(), caption);
        return;
    }
    QCOMPARE(widget->parentWidget(), form.GroupBox1);
    auto *named = form.findChild<QLabel *>(label);
    QVERIFY(named != nullptr);
    QCOMPARE(named->text(), caption);
    QCOMPARE(named->buddy(), widget);
    QCOMPARE(named->x(), labelLeft);
}

void ContactsTest::tabOrder() {
    TAdd form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.edname->setFocus();
    const QList<QWidget *> expected = {form.cbsex,    form.edmobel, form.edss,    form.edqq,    form.edxl,  form.edmail,
                                       form.edadress, form.eddate2, form.Button1, form.Button2, form.edname};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        // The chooser and the picker hold the focus in a line edit of their own.
        QWidget *focused = QApplication::focusWidget();
        while (focused != nullptr && focused->parentWidget() != form.GroupBox1 &&
               focused->parentWidget() != form.GroupBox2)
            focused = focused->parentWidget();
        QVERIFY(focused != nullptr);
        QCOMPARE(focused->objectName(), next->objectName());
    }
}

void ContactsTest::entryLimits_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("paste");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("after");

    const QString fifty = QString(50, u'a');
    const QString twentyFive = QString(25, QChar(u'路'));
    QTest::newRow("姓名: five Chinese characters fit")
        << u"edname"_s << false << QString() << 0 << u"张三李四王"_s << u"张三李四王"_s;
    QTest::newRow("姓名: the sixth Chinese character is refused")
        << u"edname"_s << false << QString() << 0 << u"张三李四王五"_s << u"张三李四王"_s;
    QTest::newRow("姓名: ten Latin letters fit")
        << u"edname"_s << false << QString() << 0 << u"abcdefghij"_s << u"abcdefghij"_s;
    QTest::newRow("姓名: the eleventh Latin letter is refused")
        << u"edname"_s << false << QString() << 0 << u"abcdefghijk"_s << u"abcdefghij"_s;
    QTest::newRow("姓名: a Chinese character on the ninth byte is not split")
        << u"edname"_s << false << QString() << 0 << u"a张三李四王"_s << u"a张三李四"_s;
    QTest::newRow("姓名: pasted text is cut to the limit")
        << u"edname"_s << true << QString() << 0 << u"张三李四王五六"_s << u"张三李四王"_s;
    QTest::newRow("姓名: pasted into the middle, both ends stay")
        << u"edname"_s << true << u"张三"_s << 1 << u"abcdefgh"_s << u"张abcdef三"_s;
    QTest::newRow("姓名: a full field takes nothing more")
        << u"edname"_s << false << u"张三李四王"_s << 5 << u"a"_s << u"张三李四王"_s;
    QTest::newRow("姓名: an emoji counts four bytes")
        << u"edname"_s << true << QString() << 0 << u"abcdef😀"_s << u"abcdef😀"_s;
    QTest::newRow("姓名: an emoji past the limit is dropped whole")
        << u"edname"_s << true << QString() << 0 << u"abcdefg😀"_s << u"abcdefg"_s;
    QTest::newRow("手机号码: 11 digits") << u"edmobel"_s << false << QString() << 0 << u"138001380001"_s
                                         << u"13800138000"_s;
    QTest::newRow("宿舍号码: six Chinese characters")
        << u"edss"_s << false << QString() << 0 << u"七号楼三零一室"_s << u"七号楼三零一"_s;
    QTest::newRow("宿舍号码: 12 Latin") << u"edss"_s << true << QString() << 0 << u"B-1234567890Z"_s
                                        << u"B-1234567890"_s;
    QTest::newRow("QQ: 11 digits") << u"edqq"_s << false << QString() << 0 << u"123456789012"_s << u"12345678901"_s;
    QTest::newRow("家庭电话: mixed text to exactly 11 bytes")
        << u"edxl"_s << false << QString() << 0 << u"0571转123456"_s << u"0571转12345"_s;
    QTest::newRow("家庭住址: 25 Chinese characters")
        << u"edadress"_s << true << QString() << 0 << twentyFive + u"号"_s << twentyFive;
    QTest::newRow("家庭住址: 50 Latin letters") << u"edadress"_s << false << QString() << 0 << fifty + u"b"_s << fifty;
    QTest::newRow("电子邮箱: no limit") << u"edmail"_s << false << QString() << 0 << QString(120, u'm')
                                        << QString(120, u'm');
}

void ContactsTest::entryLimits() {
    QFETCH(QString, field);
    QFETCH(bool, paste);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, input);
    QFETCH(QString, after);

    TAdd form;
    auto *edit = form.findChild<QLineEdit *>(field);
    QVERIFY(edit != nullptr);
    edit->setText(before);
    edit->setCursorPosition(cursor);
    if (paste) {
        QApplication::clipboard()->setText(input);
        QCOMPARE(QApplication::clipboard()->text(), input);
        edit->paste();
    } else {
        type(edit, input);
    }
    QCOMPARE(edit->text(), after);
}

void ContactsTest::trimming_data() {
    QTest::addColumn<bool>("adding");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("stored");

    const QStringList typed = {u"  王五  "_s, u" 女 "_s,    u"1990-05-06"_s, u" 137 "_s,      u" 4-404 "_s,
                               u" 8800 "_s,   u" 12345 "_s, u" ww@a.cn "_s,  u" 北京 东城 "_s};
    QTest::newRow("adding trims every text but the sex")
        << true << typed << QStringList{u"王五"_s, u" 女 "_s,  u"1990-05-06"_s, u"137"_s,      u"4-404"_s,
                                        u"8800"_s, u"12345"_s, u"ww@a.cn"_s,    u"北京 东城"_s};
    QTest::newRow("changing keeps the texts as typed") << false << typed << typed;
}

void ContactsTest::trimming() {
    QFETCH(bool, adding);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, stored);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Li);
    showAll();

    const bool shown = (adding ? openAdd : openChange)([&](TAdd &form) {
        fill(form, typed);
        form.Button1->click();
        // The cancel action ran: emptied and closed.
        QVERIFY(!form.isVisible());
        for (QLineEdit *field : form.textFields())
            QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    });
    QVERIFY(shown);
    QCOMPARE(boxes.boxes().size(), std::size_t(1));
    QCOMPARE(boxes.last().kind, adding ? BoxKind::Notice : BoxKind::Plain);
    QCOMPARE(boxes.last().text, adding ? u"提交成功！"_s : u"修改成功！"_s);

    const QList<QStringList> rows = storedContacts();
    QCOMPARE(rows.size(), adding ? 2 : 1);
    QCOMPARE(rows.last(), stored);
    if (!adding) {
        // The list shows the changed row at once.
        const txl::db::Query &q = DataModule1->query;
        QCOMPARE(q.currentRow(), 0);
        QCOMPARE(q.fieldByName(u"姓名"_s), stored.value(0));
        QVERIFY(!q.isEditing());
    }
}

void ContactsTest::blankName_data() {
    QTest::addColumn<bool>("adding");
    QTest::addColumn<QString>("name");
    QTest::newRow("adding, empty") << true << QString();
    QTest::newRow("adding, spaces only") << true << u"   "_s;
    QTest::newRow("adding, full-width spaces only") << true << u"\u3000\u3000"_s;
    QTest::newRow("changing, empty") << false << QString();
    QTest::newRow("changing, spaces only") << false << u"  "_s;
}

void ContactsTest::blankName() {
    QFETCH(bool, adding);
    QFETCH(QString, name);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Li);
    showAll();

    QVERIFY((adding ? openAdd : openChange)([&](TAdd &form) {
        form.edname->setText(name);
        form.edmobel->setText(u"1"_s);
        form.Button1->click();
        QVERIFY(form.isVisible());
        QCOMPARE(form.edname->text(), name);
        QCOMPARE(form.edmobel->text(), u"1"_s);
    }));
    QCOMPARE(boxes.boxes().size(), std::size_t(1));
    QCOMPARE(boxes.last().kind, adding ? BoxKind::Notice : BoxKind::Plain);
    QCOMPARE(boxes.last().text, adding ? u"请你输入姓名!"_s : u"姓名不能为空！"_s);
    QCOMPARE(storedContacts(), QList<QStringList>{Li});
    QVERIFY(!DataModule1->query.isEditing());
}

void ContactsTest::duplicateRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("the same name") << u"张三"_s;
    QTest::newRow("the same name between spaces") << u" 张三  "_s;
}

void ContactsTest::duplicateRefused() {
    QFETCH(QString, name);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    fixture.addContact(Li);
    fixture.addContact(ZhangToo);
    showAll();

    QVERIFY(openAdd([&](TAdd &form) {
        form.edname->setText(name);
        form.edmobel->setText(u"13700000000"_s);
        form.cbsex->setEditText(u"女"_s);
        form.Button1->click();
        // Refused, and still open with what the user typed.
        QVERIFY(form.isVisible());
        QCOMPARE(form.edname->text(), name);
        QCOMPARE(form.edmobel->text(), u"13700000000"_s);
        QCOMPARE(form.cbsex->currentText(), u"女"_s);
    }));
    QCOMPARE(boxes.texts(), QStringList{u"该用户已经存在!"_s});
    QCOMPARE(boxes.last().kind, BoxKind::Notice);
    QCOMPARE(boxes.last().caption, u"提示"_s);
    // The list now shows the contacts of that name; nothing was added.
    QCOMPARE(listedNames(), (QStringList{u"张三"_s, u"张三"_s}));
    QCOMPARE(storedContacts(), (QList<QStringList>{Zhang, Li, ZhangToo}));
}

void ContactsTest::mainWindowTotalUnchanged_data() {
    QTest::addColumn<bool>("adding");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("duplicate refused") << true << u"张三"_s << QStringList{u"张三"_s, u"张三"_s};
    QTest::newRow("contact added") << true << u"王五"_s << QStringList{u"张三"_s, u"李四"_s, u"张三"_s, u"王五"_s};
    QTest::newRow("contact changed") << false << u"王五"_s << QStringList{u"王五"_s, u"李四"_s, u"张三"_s};
}

// Through the main window's own commands: its list follows the contact query, while the total in
// its status bar is the one counted when the window was shown.
void ContactsTest::mainWindowTotalUnchanged() {
    QFETCH(bool, adding);
    QFETCH(QString, name);
    QFETCH(QStringList, listed);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    fixture.addContact(Li);
    fixture.addContact(ZhangToo);
    TForm1 mainWindow;
    mainWindow.show();
    const QString total = u"通讯录的总人数为：3"_s;
    QCOMPARE(mainWindow.panelText(2), total);

    const auto driver = [&](txl::ui::Form &form) {
        auto &dialog = static_cast<TAdd &>(form);
        dialog.edname->setText(name);
        dialog.Button1->click();
    };
    txl::ui::Form::setModalDriver(driver);
    if (adding)
        mainWindow.ToolButton1->trigger();
    else
        mainWindow.popupItems[2]->trigger();   // 修改好友
    txl::ui::Form::setModalDriver({});

    QCOMPARE(boxes.boxes().size(), std::size_t(1));
    QCOMPARE(listedNames(), listed);
    QCOMPARE(mainWindow.panelText(2), total);
}

void ContactsTest::changeToAnotherContactsName() {
    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    fixture.addContact(Li);
    showAll();
    DataModule1->query.moveTo(1);

    QVERIFY(openChange([](TAdd &form) {
        QCOMPARE(form.edname->text(), u"李四"_s);
        form.edname->setText(u"张三"_s);
        form.Button1->click();
        QVERIFY(!form.isVisible());
    }));
    QCOMPARE(boxes.texts(), QStringList{u"修改成功！"_s});
    QCOMPARE(storedNames(), (QStringList{u"张三"_s, u"张三"_s}));
    QCOMPARE(storedContacts().value(1).value(3), Li.value(3));
}

void ContactsTest::untouchedPickerStoresItsDate() {
    ModuleFixture fixture;
    BoxRecorder boxes;
    showAll();
    QVERIFY(openAdd([](TAdd &form) {
        form.edname->setText(u"赵六"_s);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), QStringList{u"提交成功！"_s});
    const QList<QStringList> rows = storedContacts();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].value(1), u"男"_s);
    QCOMPARE(rows[0].value(2), u"1986-03-21"_s);
}

void ContactsTest::addShowsEveryoneFromTheFirstRow() {
    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    fixture.addContact(Li);
    // The list shows a search result, its second row current.
    TDataModule1::reload(DataModule1->query, u"select * from UsersInfo where 性别=:p1"_s, {{u"p1"_s, u"男"_s}});
    DataModule1->query.moveTo(1);

    QVERIFY(openAdd([](TAdd &form) {
        form.edname->setText(u"王五"_s);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), QStringList{u"提交成功！"_s});
    const txl::db::Query &q = DataModule1->query;
    QCOMPARE(q.sql(), QStringList{txl::sql::AllContacts});
    QCOMPARE(listedNames(), (QStringList{u"张三"_s, u"李四"_s, u"王五"_s}));
    QCOMPARE(q.currentRow(), 0);
    QVERIFY(q.bof());
    QVERIFY(!q.eof());
}

void ContactsTest::textOutsideGbk_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("emoji in the address") << u"edadress"_s << 8 << u"🏠杭州西湖区1号"_s;
    QTest::newRow("Hangul in the address") << u"edadress"_s << 8 << u"서울특별시"_s;
    QTest::newRow("emoji in the name") << u"edname"_s << 0 << u"王😀"_s;
}

void ContactsTest::textOutsideGbk() {
    QFETCH(QString, field);
    QFETCH(int, column);
    QFETCH(QString, text);

    ModuleFixture fixture;
    BoxRecorder boxes;
    showAll();
    QVERIFY(openAdd([&](TAdd &form) {
        if (field != u"edname")
            form.edname->setText(u"赵六"_s);
        auto *edit = form.findChild<QLineEdit *>(field);
        edit->insert(text);   // as pasted: through the entry limit
        QCOMPARE(edit->text(), text);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), QStringList{u"提交成功！"_s});
    QCOMPARE(storedContacts().value(0).value(column), text);

    // Read back into the dialog, and written back unchanged.
    QVERIFY(openChange([&](TAdd &form) {
        QCOMPARE(form.findChild<QLineEdit *>(field)->text(), text);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), (QStringList{u"提交成功！"_s, u"修改成功！"_s}));
    QCOMPARE(storedContacts().value(0).value(column), text);
}

void ContactsTest::insertRefused_data() {
    QTest::addColumn<Fault>("fault");
    QTest::newRow("database opened read-only") << Fault::ReadOnly;
    QTest::newRow("another copy holds the write lock") << Fault::Locked;
    QTest::newRow("e-mail longer than its column") << Fault::TooLong;
}

void ContactsTest::insertRefused() {
    QFETCH(Fault, fault);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Li);
    showAll();

    // A second copy of the program on the same file, in the middle of a change of its own.
    txl::db::Connection other({fixture.databasePath(), TDataModule1::DatabaseKey, {}, 0});
    sqlite3 *own = DataModule1->con.handle();
    const int mailLength = txl::schema::ContactColumns[7].length;
    const QString longMail = QString(mailLength + 1, u'x');
    switch (fault) {
    case Fault::ReadOnly:
        runOn(own, "PRAGMA query_only=1");
        break;
    case Fault::Locked:
        other.open();
        runOn(other.handle(), "BEGIN IMMEDIATE");
        sqlite3_busy_timeout(own, 100);   // the wait for the other copy, shortened
        break;
    case Fault::TooLong:
    case Fault::RowGone:
        break;
    }

    QVERIFY(openAdd([&](TAdd &form) {
        form.edname->setText(u"赵六"_s);
        form.edmail->setText(fault == Fault::TooLong ? longMail : u"zl@a.cn"_s);
        form.Button1->click();
        QCOMPARE(boxes.texts(), QStringList{u"提交失败！"_s});
        QCOMPARE(boxes.last().kind, BoxKind::Notice);
        // Still open with the input, and nothing of it in the file.
        QVERIFY(form.isVisible());
        QCOMPARE(form.edname->text(), u"赵六"_s);
        QCOMPARE(storedContacts(), QList<QStringList>{Li});
        // The list behind shows what it showed, on the row it was on.
        QCOMPARE(DataModule1->query.recordCount(), 1);
        QCOMPARE(DataModule1->query.fieldByName(u"姓名"_s), u"李四"_s);

        // Once the file takes writes again, the same input goes in.
        switch (fault) {
        case Fault::ReadOnly:
            runOn(own, "PRAGMA query_only=0");
            break;
        case Fault::Locked:
            runOn(other.handle(), "ROLLBACK");
            break;
        case Fault::TooLong:
            form.edmail->setText(longMail.left(mailLength));
            break;
        case Fault::RowGone:
            break;
        }
        form.Button1->click();
        QVERIFY(!form.isVisible());
    }));
    QCOMPARE(boxes.texts(), (QStringList{u"提交失败！"_s, u"提交成功！"_s}));
    QCOMPARE(storedNames(), (QStringList{u"李四"_s, u"赵六"_s}));
}

void ContactsTest::reloadAfterInsertFails() {
    FailingDisk disk;
    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Li);
    showAll();

    // The disk fails from the first statement that reads after the insert: the list's reload.
    bool inserted = false;
    const auto watch = [](unsigned, void *context, void *, void *sql) {
        const QByteArray statement = QByteArray(static_cast<const char *>(sql)).trimmed().toLower();
        bool &insertSeen = *static_cast<bool *>(context);
        if (statement.startsWith("insert")) {
            insertSeen = true;
        } else if (insertSeen && statement.startsWith("select")) {
            insertSeen = false;
            FailingDisk::failing = true;
        }
        return 0;
    };
    sqlite3_trace_v2(DataModule1->con.handle(), SQLITE_TRACE_STMT, watch, &inserted);

    QVERIFY(openAdd([&](TAdd &form) {
        form.edname->setText(u"赵六"_s);
        form.Button1->click();
        QVERIFY(FailingDisk::failing);
        FailingDisk::failing = false;
        // The contact is stored, and the failure is reported as what it is: no "提交失败！".
        QCOMPARE(storedNames(), (QStringList{u"李四"_s, u"赵六"_s}));
        QCOMPARE(boxes.boxes().size(), std::size_t(1));
        QCOMPARE(boxes.last().kind, BoxKind::Error);
        QCOMPARE(boxes.last().text, u"disk I/O error."_s);
        QVERIFY(form.isVisible());
    }));
    sqlite3_trace_v2(DataModule1->con.handle(), 0, nullptr, nullptr);
}

void ContactsTest::changeRefused_data() {
    QTest::addColumn<Fault>("fault");
    QTest::newRow("database opened read-only") << Fault::ReadOnly;
    QTest::newRow("row removed by another copy") << Fault::RowGone;
}

void ContactsTest::changeRefused() {
    QFETCH(Fault, fault);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    showAll();
    sqlite3 *own = DataModule1->con.handle();

    QVERIFY(openChange([&](TAdd &form) {
        form.edname->setText(u"张三丰"_s);
        if (fault == Fault::ReadOnly)
            runOn(own, "PRAGMA query_only=1");
        else
            fixture.exec(u"delete from UsersInfo"_s);
        form.Button1->click();
        // The default error report, and the dialog stays with its input.
        QCOMPARE(boxes.boxes().size(), std::size_t(1));
        QCOMPARE(boxes.last().kind, BoxKind::Error);
        QVERIFY(form.isVisible());
        QCOMPARE(form.edname->text(), u"张三丰"_s);
        // No edit is left pending for a later move in the list to save.
        QVERIFY(!DataModule1->query.isEditing());
        QCOMPARE(DataModule1->query.fieldByName(u"姓名"_s), u"张三"_s);

        if (fault == Fault::ReadOnly) {
            QCOMPARE(storedContacts(), QList<QStringList>{Zhang});
            runOn(own, "PRAGMA query_only=0");
            form.Button1->click();
            QVERIFY(!form.isVisible());
        }
    }));
    if (fault == Fault::ReadOnly) {
        QCOMPARE(boxes.texts().value(1), u"修改成功！"_s);
        QCOMPARE(storedNames(), QStringList{u"张三丰"_s});
    } else {
        QVERIFY(storedContacts().isEmpty());
    }
}

void ContactsTest::changeCutsToColumnLength() {
    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Zhang);
    showAll();
    const int mailLength = txl::schema::ContactColumns[7].length;
    const QString mail = QString(mailLength - 20, u'm') + QString(60, u'n');
    QVERIFY(openChange([&](TAdd &form) {
        form.edmail->setText(mail);
        form.cbsex->setEditText(u"男男男男男女女女女女女女"_s);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), QStringList{u"修改成功！"_s});
    const QStringList row = storedContacts().value(0);
    QCOMPARE(row.value(7), mail.left(mailLength));
    QCOMPARE(row.value(1), u"男男男男男女女女女女"_s);
}

void ContactsTest::birthDateIntoPicker_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("as the dialog writes it") << u"2001-02-03"_s;
    QTest::newRow("regional short date") << txl::os::shortDate(QDate(2001, 2, 3));
    QTest::newRow("month and day without zeros") << u"2001-2-3"_s;
}

void ContactsTest::birthDateIntoPicker() {
    QFETCH(QString, stored);

    ModuleFixture fixture;
    BoxRecorder boxes;
    QStringList contact = ZhangToo;
    contact[2] = stored;
    fixture.addContact(Li);
    fixture.addContact(contact);
    showAll();
    DataModule1->query.moveTo(1);

    QVERIFY(openChange([&](TAdd &form) {
        QCOMPARE(form.windowTitle(), u"修改好友"_s);
        QCOMPARE(form.GroupBox1->title(), u"修改好友"_s);
        QCOMPARE(form.Button1->text(), u"修改"_s);
        QCOMPARE(form.eddate2->date(), QDate(2001, 2, 3));
        QCOMPARE(form.edname->text(), contact[0]);
        QCOMPARE(form.cbsex->currentText(), contact[1]);
        QCOMPARE(form.cbsex->currentIndex(), 1);
        QCOMPARE(form.edmobel->text(), contact[3]);
        QCOMPARE(form.edss->text(), contact[4]);
        QCOMPARE(form.edxl->text(), contact[5]);
        QCOMPARE(form.edqq->text(), contact[6]);
        QCOMPARE(form.edmail->text(), contact[7]);
        QCOMPARE(form.edadress->text(), contact[8]);
        // Each field shows its text from the start.
        for (QLineEdit *field : form.textFields())
            QCOMPARE(field->cursorPosition(), 0);
        form.Button1->click();
    }));
    QCOMPARE(boxes.texts(), QStringList{u"修改成功！"_s});
    QCOMPARE(storedContacts().value(1).value(2), u"2001-02-03"_s);
    QCOMPARE(storedContacts().value(0), Li);
}

void ContactsTest::birthDateNotConverting_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("month 13") << u"2001-13-01"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("not a date") << u"三月三日"_s;
    QTest::newRow("before the picker's first day") << u"1500-01-01"_s;
}

void ContactsTest::birthDateNotConverting() {
    QFETCH(QString, stored);

    ModuleFixture fixture;
    BoxRecorder boxes;
    QStringList contact = Zhang;
    contact[2] = stored;
    fixture.addContact(contact);
    showAll();

    QVERIFY(!openChange([](TAdd &) {}));
    QCOMPARE(boxes.texts(), QStringList{u"打开错误！"_s});
    QCOMPARE(boxes.last().kind, BoxKind::Notice);
    QCOMPARE(boxes.last().caption, u"错误"_s);
    QCOMPARE(Add, nullptr);
    QVERIFY(DataModule1->query.isActive());
    QVERIFY(!DataModule1->query.isEditing());
    QCOMPARE(storedContacts(), QList<QStringList>{contact});
}

void ContactsTest::emptyList_data() {
    QTest::addColumn<int>("situation");
    QTest::newRow("no contacts at all") << 0;
    QTest::newRow("a search that found nothing") << 1;
    QTest::newRow("list closed by a failed reload") << 2;
}

void ContactsTest::emptyList() {
    QFETCH(int, situation);

    ModuleFixture fixture;
    BoxRecorder boxes;
    if (situation != 0)
        fixture.addContact(Li);
    txl::db::Query &q = DataModule1->query;
    if (situation == 1)
        TDataModule1::reload(q, txl::sql::ContactByName, {{u"p1"_s, u"无此人"_s}});
    else
        showAll();
    if (situation == 2)
        QVERIFY_THROWS_EXCEPTION(txl::db::DbError, TDataModule1::reload(q, u"select * from NoSuchTable"_s));

    QVERIFY(!openChange([](TAdd &) {}));
    QCOMPARE(boxes.texts(), QStringList{u"错误：你没有选择用户或当前没有数据!"_s});
    QCOMPARE(boxes.last().kind, BoxKind::Notice);
    QCOMPARE(boxes.last().caption, u"提示"_s);
}

void ContactsTest::cancel_data() {
    QTest::addColumn<bool>("adding");
    QTest::addColumn<bool>("byButton");
    QTest::newRow("adding, 取消") << true << true;
    QTest::newRow("adding, title-bar close") << true << false;
    QTest::newRow("changing, 取消") << false << true;
    QTest::newRow("changing, title-bar close") << false << false;
}

void ContactsTest::cancel() {
    QFETCH(bool, adding);
    QFETCH(bool, byButton);

    ModuleFixture fixture;
    BoxRecorder boxes;
    fixture.addContact(Li);
    showAll();
    const QStringList typed = {u"王五"_s, u"女"_s, u"2000-01-01"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s};

    QVERIFY((adding ? openAdd : openChange)([&](TAdd &form) {
        if (adding) {
            QCOMPARE(form.windowTitle(), u"添加好友"_s);
            QCOMPARE(form.GroupBox1->title(), u"添加好友"_s);
            QCOMPARE(form.Button1->text(), u"提交"_s);
            for (QLineEdit *field : form.textFields())
                QVERIFY(field->text().isEmpty());
        }
        fill(form, typed);
        if (byButton)
            form.Button2->click();
        else
            form.close();
        QVERIFY(!form.isVisible());
        for (QLineEdit *field : form.textFields())
            QCOMPARE(field->text().isEmpty(), byButton);
        // The chooser and the picker are never emptied.
        QCOMPARE(form.cbsex->currentText(), u"女"_s);
        QCOMPARE(form.eddate2->date(), QDate(2000, 1, 1));
    }));
    QVERIFY(boxes.empty());
    QCOMPARE(storedContacts(), QList<QStringList>{Li});
    QVERIFY(!DataModule1->query.isEditing());
}

TXL_TEST_MAIN(ContactsTest)
#include "test_contacts.moc"
