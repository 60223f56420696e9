#include "tests/support/Windows.h"

#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "main/ExchangeProgress.h"
#include "main/ImportPreview.h"
#include "main/UStu.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/Application.h"
#include "signin/Ulogin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QList<QStringList> Classmates = {
    {u"张三"_s, u"男"_s, u"1986-03-21"_s, u"13800138000"_s, u"3-201"_s, u"05711234567"_s, u"10001"_s,
     u"zs@example.com"_s, u"杭州"_s},
    {u"李四"_s, u"女"_s, u"1987-05-02"_s, u"13912345678"_s, u"3-202"_s, u"05717654321"_s, u"10002"_s,
     u"ls@example.com"_s, u"宁波"_s},
    {u"王五"_s, u"男"_s, u"1985-11-30"_s, u"15000000000"_s, u"4-101"_s, u""_s, u"10003"_s, u""_s, u"温州"_s},
};

// The main window over the classmates; the dialogs' hooks are removed when it goes.
class MainWindow : public txl::test::MainWindowFixture {
public:
    MainWindow() : MainWindowFixture(Classmates) {}
    ~MainWindow() {
        txl::ui::Form::setModalDriver({});
        ExchangeProgress::setObserver({});
    }
    int stored() const { return count(u"select count(*) from UsersInfo"_s); }
};

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList column(const QTableWidget *t, int c) {
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << t->item(r, c)->text();
    return out;
}

}   // namespace

class ExchangeWindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportWritesTheListedRows_data();
    void exportWritesTheListedRows();
    void exportAsksBeforeReplacingTheNameItWrites();
    void importShowsPreviewThenAdds();
    void importOfDuplicatesWhenAsked();
    void previewByKeysAlone();
    void nothingChangesWhenStopped_data();
    void nothingChangesWhenStopped();
};

void ExchangeWindowsTest::exportWritesTheListedRows_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("CSV GB18030, extension added")
        << u"CSV 文件，GB18030 编码 (*.csv)"_s << u"found"_s << u"found.csv"_s;
    QTest::newRow("xlsx") << u"Excel 工作簿 (*.xlsx)"_s << u"found.xlsx"_s << u"found.xlsx"_s;
    QTest::newRow("vCard") << u"vCard 名片 (*.vcf)"_s << u"found.vcf"_s << u"found.vcf"_s;
}

void ExchangeWindowsTest::exportWritesTheListedRows() {
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    MainWindow m;
    // After a fuzzy search for 139 on 手机号码, the list holds 李四 alone: that is what is written.
    m.w().setSearchMode(1);
    m.w().ComboBox1->setCurrentIndex(3);
    m.w().Edit1->setText(u"139"_s);
    m.w().btserach->click();
    m.boxes.clear();

    txl::print::FileDialog::setNextFileName(typed, filter);
    m.w().ToolButtonExport->trigger();
    QCOMPARE(m.boxes.texts(), QStringList{u"已导出 1 位联系人到“%1”。"_s.arg(written)});
    const txl::exchange::ReadResult back = txl::exchange::readFile(written);
    QVERIFY2(back.ok(), qPrintable(back.error));
    QCOMPARE(back.records.size(), 1);
    QCOMPARE(back.records.first().values(), Classmates[1]);
    if (written.endsWith(u".csv"_s))
        QCOMPARE(back.encoding, txl::exchange::Encoding::Gb18030);
}

void ExchangeWindowsTest::exportAsksBeforeReplacingTheNameItWrites() {
    // The real dialog, driven by keys: "zhou" typed under the Excel filter is zhou.xlsx, and a
    // zhou.xlsx that is there is asked about before anything is written; 否 keeps it.
    MainWindow m;
    writeFile(u"zhou.xlsx"_s, "371 contacts");
    const QString typed = QDir::current().filePath(u"zhou"_s);
    QString question;
    bool sawDialog = false;
    const auto activeOf = [](const char *className) {
        QWidget *w = QApplication::activeModalWidget();
        return w && w->inherits(className) ? w : nullptr;
    };
    // A test that goes wrong closes what is open instead of waiting for ever.
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] {
        while (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    safety.start(20000);
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(activeOf("QFileDialog"));
        QWidget *dialog = activeOf("QFileDialog");
        sawDialog = true;
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        QVERIFY(name);
        name->setText(typed);
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(activeOf("QMessageBox"));
            auto *box = static_cast<QMessageBox *>(activeOf("QMessageBox"));
            question = box->text();
            QTest::keyClick(box, Qt::Key_Escape);   // no: keep the file
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(activeOf("QFileDialog"));
                QTest::keyClick(activeOf("QFileDialog"), Qt::Key_Escape);
            });
        });
        QTest::keyClick(name, Qt::Key_Return);
    });
    m.w().ToolButtonExport->trigger();
    QVERIFY(sawDialog);
    QVERIFY2(question.contains(u"zhou.xlsx"_s), qPrintable(question));
    QFile kept(u"zhou.xlsx"_s);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("371 contacts"));
    QVERIFY(m.boxes.texts().isEmpty());
}

void ExchangeWindowsTest::importShowsPreviewThenAdds() {
    MainWindow m;
    writeFile(
        u"list.csv"_s,
        u"名字,手机,生日,备注\n赵六,138-0013-8001,1990/1/2,x\n张三,1,,\n,2,,\n钱七,+86 139 0000 0000,不详,\n孙八,,,\n"_s
            .toUtf8());
    QStringList formats, mapping, counts, problems;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &preview = static_cast<TImportPreview &>(form);
        formats << preview.LabelFormat->text();
        mapping = column(preview.TableMapping, 1);
        counts << preview.LabelCounts->text();
        problems = column(preview.TableProblems, 0) + column(preview.TableProblems, 2);
        QCOMPARE(preview.TableRows->rowCount(), 5);
        // The rows as they will be stored, each with its place in the file.
        QCOMPARE(column(preview.TableRows, 0).first(), u"第2行"_s);
        QCOMPARE(column(preview.TableRows, 4).first(), u"13800138001"_s);
        preview.Button1->click();
    });
    txl::print::FileDialog::setNextFileName(u"list.csv"_s);
    m.w().ToolButtonImport->trigger();

    QCOMPARE(formats, QStringList{u"格式：CSV，编码 UTF-8"_s});
    QCOMPARE(mapping, (QStringList{u"姓名"_s, u"手机号码"_s, u"出生日期"_s, u"不导入"_s}));
    QCOMPARE(counts, QStringList{u"可以导入 3 位联系人；重名跳过 1 位；有误拒绝 1 行；警告 1 条。"_s});
    QCOMPARE(problems, (QStringList{u"第3行"_s, u"第4行"_s, u"第5行"_s, u"通讯录中已有“张三”"_s, u"姓名为空"_s,
                                    u"出生日期“不详”不是有效的日期，已留空"_s}));
    QCOMPARE(m.boxes.texts(),
             QStringList{u"导入完成：导入 3 位联系人，跳过 1 位，拒绝 1 行。有 1 位联系人的个别内容无法读出，"
                         "已留空（见导入前的警告）。"_s});
    // As after an add: the whole list, and the new total.
    QCOMPARE(DataModule1->query.recordCount(), 6);
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：6"_s);
    QCOMPARE(m.count(u"select count(*) from UsersInfo where 手机号码 = '13800138001' and 出生日期 = '1990-01-02'"_s),
             1);
}

void ExchangeWindowsTest::importOfDuplicatesWhenAsked() {
    MainWindow m;
    writeFile(u"again.vcf"_s, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nEND:VCARD\r\n");
    QStringList counts;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &preview = static_cast<TImportPreview &>(form);
        counts << preview.LabelCounts->text();
        QVERIFY(!preview.Button1->isEnabled());   // nothing to add
        preview.CheckDuplicates->setChecked(true);
        counts << preview.LabelCounts->text();
        preview.Button1->click();
    });
    txl::print::FileDialog::setNextFileName(u"again.vcf"_s);
    m.w().ToolButtonImport->trigger();
    QCOMPARE(counts, (QStringList{u"可以导入 0 位联系人；重名跳过 1 位；有误拒绝 0 行；警告 0 条。"_s,
                                  u"可以导入 1 位联系人；重名跳过 0 位；有误拒绝 0 行；警告 0 条。"_s}));
    QCOMPARE(m.stored(), 4);
}

void ExchangeWindowsTest::previewByKeysAlone() {
    // Tab and Shift+Tab go through every control in reading order and out of the tables; Enter
    // presses 导入 wherever the focus is, as a dialog's default button.
    MainWindow m;
    writeFile(u"keys.csv"_s, u"姓名,手机\n赵六,13800138001\n"_s.toUtf8());
    QStringList order, backwards;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &preview = static_cast<TImportPreview &>(form);
        QApplication::setActiveWindow(&preview);
        preview.TableMapping->setFocus();
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            backwards << QApplication::focusWidget()->objectName();
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    txl::print::FileDialog::setNextFileName(u"keys.csv"_s);
    m.w().ToolButtonImport->trigger();
    QCOMPARE(order,
             (QStringList{u"TableMapping"_s, u"ChooseTarget"_s, u"ChooseTarget"_s, u"TableRows"_s, u"TableProblems"_s,
                          u"CheckDuplicates"_s, u"Button1"_s, u"Button2"_s, u"TableMapping"_s}));
    QCOMPARE(backwards, (QStringList{u"TableMapping"_s, u"Button2"_s, u"Button1"_s}));
    QCOMPARE(m.boxes.texts(), QStringList{u"导入完成：导入 1 位联系人，跳过 0 位，拒绝 0 行。"_s});
    QCOMPARE(m.stored(), 4);

    // Esc is 取消.
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        QApplication::setActiveWindow(&form);
        static_cast<TImportPreview &>(form).TableRows->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    });
    m.boxes.clear();
    txl::print::FileDialog::setNextFileName(u"keys.csv"_s);
    m.w().ToolButtonImport->trigger();
    QVERIFY(m.boxes.texts().isEmpty());
    QCOMPARE(m.stored(), 4);
}

void ExchangeWindowsTest::nothingChangesWhenStopped_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("message");
    QTest::newRow("取消 in the preview") << u"preview"_s << QString();
    QTest::newRow("取消 during the import") << u"progress"_s << u"导入已取消，通讯录没有改变。"_s;
    QTest::newRow("unclosed quote") << u"broken"_s << u"第2行：引号没有结束（缺少与之配对的 \"），文件可能不完整。"_s;
    QTest::newRow("no file chosen") << u"none"_s << QString();
}

void ExchangeWindowsTest::nothingChangesWhenStopped() {
    QFETCH(QString, way);
    QFETCH(QString, message);
    MainWindow m;
    QByteArray bytes = "姓名\n";
    for (int i = 0; i < 3000; ++i)
        bytes += "同学" + QByteArray::number(i) + "\n";
    writeFile(u"many.csv"_s, way == u"broken"_s ? QByteArray("姓名,地址\n张,\"杭州\n") : bytes);
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &preview = static_cast<TImportPreview &>(form);
        (way == u"preview"_s ? preview.Button2 : preview.Button1)->click();
    });
    bool importing = false;
    ExchangeProgress::setObserver([&](QProgressDialog &dialog) {
        importing = importing || dialog.labelText().contains(u"导入"_s);
        if (way == u"progress"_s && importing && dialog.value() > 300)
            dialog.cancel();
    });
    txl::print::FileDialog::setNextFileName(way == u"none"_s ? QString() : u"many.csv"_s);
    m.w().ToolButtonImport->trigger();
    QCOMPARE(m.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (way == u"broken"_s)
        QCOMPARE(m.boxes.last().caption, u"错误"_s);
    QCOMPARE(m.stored(), 3);
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：3"_s);
}

TXL_TEST_MAIN(ExchangeWindowsTest)
#include "test_exchange_windows.moc"
