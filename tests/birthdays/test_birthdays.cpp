// Whose birthday is coming, and the calendar file read back by libical and by Python's readers.

#include "birthdays/BirthdayCalendar.h"
#include "birthdays/Birthdays.h"
#include "birthdays/UBirthdays.h"
#include "contacts/Unit3.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/Application.h"
#include "signin/Ulogin.h"
#include "tests/support/Windows.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

#include <libical/ical.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace txl::birthdays;

namespace {

QStringList contact(const QString &name, const QString &birth) {
    return {name, u"男"_s, birth, {}, {}, {}, {}, {}, {}};
}

// "day days-left age" for the one contact's entry, "not listed" or "undated".
QString describe(const BirthdayList &list) {
    if (list.undated)
        return u"undated"_s;
    if (list.birthdays.isEmpty())
        return u"not listed"_s;
    const Birthday &b = list.birthdays.first();
    return u"%1 %2 %3"_s.arg(b.day.toString(Qt::ISODate)).arg(b.daysLeft).arg(b.age);
}

// One line per event as scripts/check_ics.py prints it: UID, SUMMARY, DTSTART, DTEND and the days
// it falls on in 2023..2025, read with libical's parser and recurrence iterator.
QStringList readWithLibical(const QByteArray &ics) {
    std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)> cal(icalparser_parse_string(ics.constData()),
                                                                      &icalcomponent_free);
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT)
        return {u"not a calendar"_s};
    const auto iso = [](const icaltimetype &t) {
        return t.is_date ? QDate(t.year, t.month, t.day).toString(Qt::ISODate) : u"not a date"_s;
    };
    QStringList lines;
    for (icalcomponent *e = icalcomponent_get_first_component(cal.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(cal.get(), ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(e);
        icalproperty *rrule = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
        QStringList days;
        if (rrule && icalproperty_get_rrule(rrule).freq == ICAL_YEARLY_RECURRENCE) {
            icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(rrule), start);
            for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t) && t.year <= 2025;
                 t = icalrecur_iterator_next(it)) {
                if (t.year >= 2023)
                    days << iso(t);
            }
            icalrecur_iterator_free(it);
        }
        lines << QStringList{QString::fromUtf8(icalcomponent_get_uid(e)),
                             QString::fromUtf8(icalcomponent_get_summary(e)), iso(start),
                             iso(icalcomponent_get_dtend(e)), days.join(u',')}
                     .join(u'\t');
    }
    return lines;
}

// The book of the window tests, counted from 5 March 2024: 张三 today, 李四 in 15 days, 周八 on the
// last day of 30, 王五 later in the year, two without a usable birth date.
const QList<QStringList> Classmates = {contact(u"王五"_s, u"1992-12-31"_s), contact(u"张三"_s, u"1990-03-05"_s),
                                       contact(u"赵六"_s, QString()),       contact(u"李四"_s, u"1991-03-20"_s),
                                       contact(u"孙七"_s, u"1990-02-30"_s), contact(u"周八"_s, u"1989-04-04"_s)};
const QDate Today(2024, 3, 5);

// The signed-in main window over the book, as the hand-over leaves it, with the birthday window
// counting from Today.
class MainWindow : public txl::test::MainWindowFixture {
public:
    explicit MainWindow(const QList<QStringList> &contacts = Classmates) : MainWindowFixture(contacts) {
        TBirthdays::today = [] { return Today; };
    }
    ~MainWindow() {
        txl::ui::Form::setModalDriver({});
        TBirthdays::today = &QDate::currentDate;
    }
    txl::db::Query &query() const { return DataModule1->query; }
};

// The rows of the birthday window as shown: "name birth age days".
QStringList shownRows(const TBirthdays &window) {
    QStringList rows;
    const QAbstractItemModel *model = window.lvBirthdays->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join(u' ');
    }
    return rows;
}

// A double-click on row `row` of the list, as the window system delivers it.
void doubleClickRow(TBirthdays &window, int row) {
    QWidget *surface = window.lvBirthdays->viewport();
    const QPoint at = window.lvBirthdays->visualRect(window.lvBirthdays->model()->index(row, 0)).center();
    QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    QTest::mouseDClick(surface, Qt::LeftButton, {}, at);
}

QList<Birthday> sampleBirthdays() {
    const QList<QStringList> book = {
        contact(u"张三"_s, u"1988-02-29"_s),
        contact(u"欧阳, 娜娜; 长名字长名字长名字长名字长名字长名字长名字"_s, u"1990-3-5"_s),
        contact(u"李四"_s, u"1995-12-31"_s), contact(u"李四"_s, u"1995-12-31"_s),   // the same name and date twice
    };
    return birthdaysWithin(book, QDate(2024, 1, 2), MaxSpanDays).birthdays;
}

}   // namespace

class BirthdaysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void comingBirthday_data();
    void comingBirthday();
    void listOrderAndUndated();
    void readsBookWithoutTouchingQuery();
    void calendarReadByLibical();
    void calendarReadByPython();
    void uidsStayTheSame();
    void saveFailureIsReported();
    void toolListsBirthdays_data();
    void toolListsBirthdays();
    void toolWritesCalendar();
    void windowListsWholeBook_data();
    void windowListsWholeBook();
    void doubleClickOpensContact_data();
    void doubleClickOpensContact();
    void byKeysAlone();
    void exportCalendar_data();
    void exportCalendar();
};

void BirthdaysTest::comingBirthday_data() {
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("expected");

    const QDate mar5(2024, 3, 5);
    QTest::newRow("today") << u"1990-03-05"_s << mar5 << 30 << u"2024-03-05 0 34"_s;
    // N days are today and the N - 1 after it.
    QTest::newRow("tomorrow, two days") << u"1990-03-06"_s << mar5 << 2 << u"2024-03-06 1 34"_s;
    QTest::newRow("tomorrow, one day: today alone") << u"1990-03-06"_s << mar5 << 1 << u"not listed"_s;
    QTest::newRow("last day of the span") << u"1990-04-03"_s << mar5 << 30 << u"2024-04-03 29 34"_s;
    QTest::newRow("a day past the span") << u"1990-04-04"_s << mar5 << 30 << u"not listed"_s;
    QTest::newRow("yesterday: next year") << u"1990-03-04"_s << mar5 << 366 << u"2025-03-04 364 35"_s;
    QTest::newRow("yesterday, short span") << u"1990-03-04"_s << mar5 << 30 << u"not listed"_s;
    QTest::newRow("across the new year") << u"1995-01-05"_s << QDate(2023, 12, 20) << 30 << u"2024-01-05 16 29"_s;
    QTest::newRow("new year's eve to new year's day")
        << u"2000-01-01"_s << QDate(2023, 12, 31) << 2 << u"2024-01-01 1 24"_s;
    QTest::newRow("29 Feb in a leap year") << u"2000-02-29"_s << QDate(2024, 2, 20) << 30 << u"2024-02-29 9 24"_s;
    QTest::newRow("29 Feb in another year") << u"2000-02-29"_s << QDate(2023, 2, 20) << 30 << u"2023-02-28 8 23"_s;
    QTest::newRow("29 Feb shown on 28 Feb: today")
        << u"2000-02-29"_s << QDate(2023, 2, 28) << 30 << u"2023-02-28 0 23"_s;
    QTest::newRow("29 Feb, 28 Feb of a leap year")
        << u"2000-02-29"_s << QDate(2024, 2, 28) << 30 << u"2024-02-29 1 24"_s;
    QTest::newRow("29 Feb, from 1 March") << u"2000-02-29"_s << QDate(2023, 3, 1) << 366 << u"2024-02-29 365 24"_s;
    QTest::newRow("28 Feb in a leap year") << u"1999-02-28"_s << QDate(2024, 2, 28) << 30 << u"2024-02-28 0 25"_s;
    QTest::newRow("born today") << u"2024-03-05"_s << mar5 << 30 << u"2024-03-05 0 0"_s;
    QTest::newRow("one-digit month and day") << u"1990-3-6"_s << mar5 << 30 << u"2024-03-06 1 34"_s;
    QTest::newRow("slashes") << u" 1990/03/06 "_s << mar5 << 30 << u"2024-03-06 1 34"_s;
    QTest::newRow("empty") << QString() << mar5 << 366 << u"undated"_s;
    QTest::newRow("blank") << u"   "_s << mar5 << 366 << u"undated"_s;
    QTest::newRow("not a date") << u"生日不详"_s << mar5 << 366 << u"undated"_s;
    QTest::newRow("30 February") << u"1990-02-30"_s << mar5 << 366 << u"undated"_s;
    QTest::newRow("29 Feb of a common year") << u"1990-02-29"_s << mar5 << 366 << u"undated"_s;
    QTest::newRow("mixed separators") << u"1990-03/06"_s << mar5 << 366 << u"undated"_s;
    QTest::newRow("still to come") << u"2030-03-06"_s << mar5 << 366 << u"undated"_s;
}

void BirthdaysTest::comingBirthday() {
    QFETCH(QString, birth);
    QFETCH(QDate, today);
    QFETCH(int, days);
    QFETCH(QString, expected);
    QCOMPARE(describe(birthdaysWithin({contact(u"张三"_s, birth)}, today, days)), expected);
}

void BirthdaysTest::listOrderAndUndated() {
    const QList<QStringList> book = {contact(u"A"_s, u"1990-03-20"_s), contact(u"B"_s, QString()),
                                     contact(u"C"_s, u"1991-03-05"_s), contact(u"D"_s, u"1990-02-30"_s),
                                     contact(u"E"_s, u"1992-03-20"_s), contact(u"F"_s, u"1993-12-01"_s),
                                     contact(u"G"_s, u"1989-03-10"_s)};
    const BirthdayList list = birthdaysWithin(book, QDate(2024, 3, 5), 30);
    QStringList names;
    for (const Birthday &b : list.birthdays)
        names << b.name();
    // By days left; the same day keeps the book's order.
    QCOMPARE(names, (QStringList{u"C"_s, u"G"_s, u"A"_s, u"E"_s}));
    QCOMPARE(list.undated, 2);
    QCOMPARE(list.birthdays.first().contact, book[2]);
}

void BirthdaysTest::readsBookWithoutTouchingQuery() {
    txl::test::ModuleFixture fx;
    fx.addContact(contact(u"张三"_s, u"1990-01-02"_s));
    fx.addContact(contact(u"李四"_s, u"1991-02-03"_s));
    fx.addContact(contact(u"王五"_s, u"1992-03-04"_s));
    txl::db::Query &query = fx.module().query;
    TDataModule1::reload(query, u"select * from UsersInfo where 姓名 like :p1"_s, {{u"p1"_s, u"%四%"_s}});
    const QStringList sql = query.sql();

    const QList<QStringList> contacts = readContacts(fx.module().con);

    QCOMPARE(contacts.size(), 3);
    QCOMPARE(contacts[2], contact(u"王五"_s, u"1992-03-04"_s));
    QCOMPARE(query.sql(), sql);
    QVERIFY(query.isActive());
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldByName(u"姓名"_s), u"李四"_s);
}

// What both readers should find in the calendar of sampleBirthdays(), in its order (by days left
// from 2 January 2024).
QStringList expectedLines() {
    const QString longName = u"欧阳, 娜娜; 长名字长名字长名字长名字长名字长名字长名字"_s;
    const QString liSi = eventUid(u"李四"_s, QDate(1995, 12, 31));
    return {
        eventUid(u"张三"_s, QDate(1988, 2, 29)) +
            u"\t张三 生日\t1988-02-29\t1988-03-01\t2023-02-28,2024-02-29,2025-02-28"_s,
        eventUid(longName, QDate(1990, 3, 5)) + u"\t"_s + longName +
            u" 生日\t1990-03-05\t1990-03-06\t2023-03-05,2024-03-05,2025-03-05"_s,
        liSi + u"\t李四 生日\t1995-12-31\t1996-01-01\t2023-12-31,2024-12-31,2025-12-31"_s,
        liSi.chopped(4) + u"-2@txl\t李四 生日\t1995-12-31\t1996-01-01\t2023-12-31,2024-12-31,2025-12-31"_s,
    };
}

void BirthdaysTest::calendarReadByLibical() {
    const QList<Birthday> birthdays = sampleBirthdays();
    QCOMPARE(birthdays.size(), 4);
    const QByteArray ics = calendar(birthdays, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
    QCOMPARE(readWithLibical(ics), expectedLines());
    QVERIFY(ics.startsWith("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"));
    QVERIFY(ics.contains("\r\nDTSTAMP:20240102T030405Z\r\n"));
    QVERIFY(ics.contains("\r\nRRULE:FREQ=YEARLY\r\n"));
}

void BirthdaysTest::calendarReadByPython() {
    const QList<Birthday> birthdays = sampleBirthdays();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"birthdays.ics"_s);
    QString error;
    QVERIFY2(saveCalendar(path, birthdays, &error), qPrintable(error));

    QProcess python;
    python.start(u"/usr/bin/python3"_s,
                 {qEnvironmentVariable("TXL_SOURCE_DIR") + u"/scripts/check_ics.py"_s, path, u"2023"_s, u"2025"_s});
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, expectedLines());
}

void BirthdaysTest::uidsStayTheSame() {
    // Another day, another order, other contacts beside: every contact keeps its UID.
    const QList<Birthday> first = sampleBirthdays();
    QList<Birthday> second = birthdaysWithin({contact(u"王五"_s, u"1992-03-04"_s), contact(u"张三"_s, u"1988-02-29"_s)},
                                             QDate(2025, 6, 1), MaxSpanDays)
                                 .birthdays;
    const QStringList a = readWithLibical(calendar(first, QDateTime::currentDateTimeUtc()));
    const QStringList b = readWithLibical(calendar(second, QDateTime::currentDateTimeUtc().addDays(100)));
    const auto uidOf = [](const QStringList &lines, const QString &summary) {
        for (const QString &line : lines) {
            if (line.section(u'\t', 1, 1) == summary)
                return line.section(u'\t', 0, 0);
        }
        return QString();
    };
    QVERIFY(!uidOf(a, u"张三 生日"_s).isEmpty());
    QCOMPARE(uidOf(a, u"张三 生日"_s), uidOf(b, u"张三 生日"_s));
    QVERIFY(uidOf(b, u"王五 生日"_s) != uidOf(b, u"张三 生日"_s));
    // The same name born on another day is another contact.
    QVERIFY(eventUid(u"张三"_s, QDate(1988, 2, 29)) != eventUid(u"张三"_s, QDate(1988, 2, 28)));
}

void BirthdaysTest::saveFailureIsReported() {
    QTemporaryDir dir;
    for (const QString &path : {dir.filePath(u"missing/birthdays.ics"_s), dir.path()}) {
        QString error;
        QVERIFY(!saveCalendar(path, sampleBirthdays(), &error));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void BirthdaysTest::toolListsBirthdays_data() {
    QTest::addColumn<QStringList>("arguments");   // DIR is appended
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("errorText");

    const QString left = u"txldb: 2 contacts without a usable birth date are left out\n"_s;
    const QStringList mar5{u"--today"_s, u"2024-03-05"_s};
    QTest::newRow("30 days") << mar5 << 0 << QStringList{u"王五\t1990-03-05\t34\t今天"_s, u"李四\t1989-3-8\t35\t3"_s}
                             << left;
    QTest::newRow("one day") << mar5 + QStringList{u"--days"_s, u"1"_s} << 0
                             << QStringList{u"王五\t1990-03-05\t34\t今天"_s} << left;
    QTest::newRow("across the new year") << QStringList{u"--today"_s, u"2023-12-30"_s, u"--days"_s, u"10"_s} << 0
                                         << QStringList{u"张三\t1990-01-02\t34\t3"_s} << left;
    QTest::newRow("no days") << mar5 + QStringList{u"--days"_s, u"0"_s} << 2 << QStringList() << QString();
    QTest::newRow("too many days") << mar5 + QStringList{u"--days"_s, u"367"_s} << 2 << QStringList() << QString();
    QTest::newRow("not a date") << QStringList{u"--today"_s, u"2024-02-30"_s} << 2 << QStringList() << QString();
    QTest::newRow("unknown option") << QStringList{u"--all"_s} << 2 << QStringList() << QString();
}

void BirthdaysTest::toolListsBirthdays() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    QFETCH(QString, errorText);
    txl::test::ModuleFixture fx;
    fx.addContact(contact(u"张三"_s, u"1990-01-02"_s));
    fx.addContact(contact(u"李四"_s, u"1989-3-8"_s));
    fx.addContact(contact(u"无日期"_s, QString()));
    fx.addContact(contact(u"王五"_s, u"1990-03-05"_s));
    fx.addContact(contact(u"赵六"_s, u"2000-04-04"_s));
    fx.addContact(contact(u"错日期"_s, u"1990-13-01"_s));

    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + u"/../../txldb"_s,
               QStringList{u"birthdays"_s} + arguments + QStringList{fx.path()});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts), lines);
    const QString error = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(exitCode == 2 ? error.startsWith(u"usage:"_s) : error == errorText, qPrintable(error));
}

void BirthdaysTest::toolWritesCalendar() {
    txl::test::ModuleFixture fx;
    fx.addContact(contact(u"张三"_s, u"1988-02-29"_s));
    fx.addContact(contact(u"李四"_s, u"1990-08-01"_s));
    const QString ics = fx.path() + u"/生日.ics"_s;
    const QString tool = QCoreApplication::applicationDirPath() + u"/../../txldb"_s;
    QProcess p;
    p.start(tool, {u"birthdays"_s, u"--today"_s, u"2023-02-01"_s, u"--ics"_s, ics, fx.path()});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), u"张三\t1988-02-29\t35\t27\n"_s.toUtf8());
    QFile file(ics);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(readWithLibical(file.readAll()),
             QStringList{eventUid(u"张三"_s, QDate(1988, 2, 29)) +
                         u"\t张三 生日\t1988-02-29\t1988-03-01\t2023-02-28,2024-02-29,2025-02-28"_s});

    // No book in the folder: said so, nothing written.
    QTemporaryDir empty;
    p.start(tool, {u"birthdays"_s, u"--ics"_s, empty.filePath(u"x.ics"_s), empty.path()});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("Could not find file"));
    QVERIFY(!QFile::exists(empty.filePath(u"x.ics"_s)));
}

void BirthdaysTest::windowListsWholeBook_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("toolbar 生日提醒") << u"toolbar"_s;
    QTest::newRow("menu 生日提醒") << u"menu"_s;
}

void BirthdaysTest::windowListsWholeBook() {
    QFETCH(QString, way);
    MainWindow m;
    // The main list holds a search that finds one contact.
    m.w().setSearchMode(1);
    m.w().Edit1->setText(u"李"_s);
    m.w().btserach->click();
    m.boxes.clear();
    const QStringList sql = m.query().sql();

    QStringList shown, shownAll;
    QString title, undated, count;
    std::pair<int, int> range;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &window = dynamic_cast<TBirthdays &>(form);
        title = window.windowTitle();
        undated = window.lbUndated->text();
        count = window.lbCount->text();
        range = {window.seDays->minimum(), window.seDays->maximum()};
        shown = shownRows(window);
        window.seDays->setValue(366);
        shownAll = shownRows(window);
    });
    if (way == u"toolbar")
        m.w().ToolButtonBirthdays->trigger();
    else
        m.w().popupItems[13]->trigger();   // 生日提醒

    QCOMPARE(title, u"生日提醒"_s);
    // Thirty days, today the first: 周八's birthday on the thirty-first is not among them. The
    // dates as the contact dialog shows them.
    QCOMPARE(shown, (QStringList{u"张三 1990/3/5 34 今天"_s, u"李四 1991/3/20 33 15"_s}));
    QCOMPARE(count, u"共 2 位同学"_s);
    QCOMPARE(shownAll.size(), 4);
    QCOMPARE(shownAll.last(), u"王五 1992/12/31 32 301"_s);
    QCOMPARE(undated, u"出生日期为空或无效、未列出的同学：2 位"_s);
    QCOMPARE(range, std::make_pair(1, 366));
    QVERIFY(m.boxes.empty());
    // The main list is as it was.
    QCOMPARE(m.query().sql(), sql);
    QCOMPARE(m.query().recordCount(), 1);
    QCOMPARE(m.w().panelText(2), u"总共找到1条记录"_s);
}

void BirthdaysTest::doubleClickOpensContact_data() {
    QTest::addColumn<QString>("search");     // what the main list holds: an exact 姓名 search, or all
    QTest::addColumn<int>("row");            // double-clicked in the birthday window
    QTest::addColumn<bool>("deleteFirst");   // the contact goes from the book meanwhile
    QTest::addColumn<QString>("opened");     // "name birth" in the contact dialog, or nothing
    QTest::addColumn<QStringList>("mainList");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QStringList>("boxes");

    // The main list shows afterwards what it showed before (its search and count), the change
    // included where it shows the contact.
    const QStringList all{u"王五"_s, u"张三"_s, u"赵六"_s, u"李四"_s, u"孙七"_s, u"周八改"_s, u"张三"_s};
    QTest::newRow("in the main list") << QString() << 3 << false << u"周八 1989-04-04"_s << all
                                      << u"通讯录的总人数为：7"_s << QStringList();
    QTest::newRow("not in the search shown") << u"李四"_s << 0 << false << u"张三 1990-03-05"_s
                                             << QStringList{u"李四"_s} << u"总共找到1条记录"_s << QStringList();
    QTest::newRow("the second of a name") << u"李四"_s << 2 << false << u"张三 1985-03-25"_s << QStringList{u"李四"_s}
                                          << u"总共找到1条记录"_s << QStringList();
    QTest::newRow("gone from the book") << u"李四"_s << 3 << true << QString() << QStringList{u"李四"_s}
                                        << u"总共找到1条记录"_s
                                        << QStringList{u"通讯录中已没有这位同学，可能已被修改或删除！"_s};
}

void BirthdaysTest::doubleClickOpensContact() {
    QFETCH(QString, search);
    QFETCH(int, row);
    QFETCH(bool, deleteFirst);
    QFETCH(QString, opened);
    QFETCH(QStringList, mainList);
    QFETCH(QString, panel);
    QFETCH(QStringList, boxes);
    MainWindow m(Classmates + QList<QStringList>{contact(u"张三"_s, u"1985-03-25"_s)});
    if (!search.isEmpty()) {
        m.w().setSearchMode(0);
        m.w().Edit1->setText(search);
        m.w().btserach->click();
    }

    QString dialog;
    QStringList rowsAfter;
    int selectedAfter = -1;
    const int currentBefore = m.query().currentRow();
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        if (auto *add = qobject_cast<TAdd *>(&form)) {
            dialog = add->edname->text() + u' ' + add->eddate2->date().toString(Qt::ISODate);
            // A changed name shows in the birthday list at once.
            add->edname->setText(add->edname->text() + u"改"_s);
            add->Button1->click();
            return;
        }
        auto &window = dynamic_cast<TBirthdays &>(form);
        window.seDays->setValue(31);
        if (deleteFirst)
            m.exec(u"delete from UsersInfo where 姓名='周八'"_s);
        doubleClickRow(window, row);
        rowsAfter = shownRows(window);
        selectedAfter = window.lvBirthdays->selectionModel()->selectedRows().value(0).row();
    });
    m.boxes.clear();
    m.w().ToolButtonBirthdays->trigger();

    QCOMPARE(dialog, opened);
    QStringList names;
    for (int r = 0; r < m.query().recordCount(); ++r)
        names << m.query().value(r, 0);
    if (!opened.isEmpty()) {
        // The changed contact shows in the birthday list at once, and is still the one chosen.
        const QString changed = opened.section(u' ', 0, 0) + u"改 "_s;
        QVERIFY2(rowsAfter.value(selectedAfter).startsWith(changed), qPrintable(rowsAfter.join(u'|')));
        QCOMPARE(m.query().currentRow(), currentBefore);
    } else {
        QVERIFY(!rowsAfter.join(u'|').contains(u"周八"_s));
    }
    QCOMPARE(names, mainList);
    QCOMPARE(m.w().panelText(2), panel);
    QStringList texts = m.boxes.texts();
    texts.removeAll(u"修改成功！"_s);
    QCOMPARE(texts, boxes);
}

void BirthdaysTest::byKeysAlone() {
    // Tab goes through every control in reading order and out of the list; Enter on a classmate
    // of the list opens the contact, elsewhere it is 关闭, as Esc is.
    MainWindow m;
    QStringList order;
    QString opened;
    bool closedByEnter = false;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        if (auto *add = qobject_cast<TAdd *>(&form)) {
            opened = add->edname->text();
            return;
        }
        auto &window = dynamic_cast<TBirthdays &>(form);
        QApplication::setActiveWindow(&window);
        window.seDays->setFocus();
        for (int i = 0; i < 6; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        window.lvBirthdays->setFocus();
        QTest::keyClick(window.lvBirthdays, Qt::Key_Down);   // 李四, the second
        QTest::keyClick(window.lvBirthdays, Qt::Key_Return);
        QVERIFY(window.isVisible());
        window.cbAll->setFocus();
        QTest::keyClick(window.cbAll, Qt::Key_Return);
        closedByEnter = !window.isVisible();
    });
    m.w().ToolButtonBirthdays->trigger();
    QCOMPARE(order, (QStringList{u"seDays"_s, u"lvBirthdays"_s, u"cbAll"_s, u"btExport"_s, u"btClose"_s, u"seDays"_s}));
    QCOMPARE(opened, u"李四"_s);
    QVERIFY(closedByEnter);
}

void BirthdaysTest::exportCalendar_data() {
    QTest::addColumn<bool>("all");
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("answer");    // the file dialog's answer, in the workspace; "" = cancel
    QTest::addColumn<QString>("written");   // the file expected, or nothing
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("box");

    QTest::newRow("listed") << false << 31 << u"生日.ics"_s << u"生日.ics"_s << 3 << u"已导出 3 位同学的生日。"_s;
    QTest::newRow("all") << true << 30 << u"生日.ics"_s << u"生日.ics"_s << 4 << u"已导出 4 位同学的生日。"_s;
    QTest::newRow("suffix added") << false << 1 << u"生日"_s << u"生日.ics"_s << 1 << u"已导出 1 位同学的生日。"_s;
    QTest::newRow("cancelled") << false << 30 << QString() << QString() << 0 << QString();
    QTest::newRow("no such folder") << false << 30 << u"无/生日.ics"_s << QString() << 0 << u"错误 导出失败："_s;
}

void BirthdaysTest::exportCalendar() {
    QFETCH(bool, all);
    QFETCH(int, days);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(int, events);
    QFETCH(QString, box);
    MainWindow m;
    m.boxes.clear();
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &window = dynamic_cast<TBirthdays &>(form);
        window.seDays->setValue(days);
        window.cbAll->setChecked(all);
        txl::print::FileDialog::setNextFileName(answer.isEmpty() ? QString() : m.path() + u'/' + answer);
        window.btExport->click();
    });
    m.w().ToolButtonBirthdays->trigger();

    const QStringList files = QDir(m.path()).entryList({u"*.ics"_s, u"生日"_s});
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
    if (!written.isEmpty()) {
        QFile file(m.path() + u'/' + written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(readWithLibical(file.readAll()).size(), events);
    }
    QStringList shown;
    for (const txl::ui::BoxRecord &b : m.boxes.boxes())
        shown << (b.caption == u"错误"_s ? u"错误 "_s + b.text : b.text);
    QCOMPARE(shown.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QVERIFY2(shown.first().startsWith(box), qPrintable(shown.first()));
}

TXL_TEST_MAIN(BirthdaysTest)
#include "test_birthdays.moc"
