#include "tests/support/TestSupport.h"

#include "data/PasswordHash.h"
#include "data/U2.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Form.h"

#include <QDir>
#include <QLocale>

namespace txl::test {

void prepareApplication() {
    ui::installFontSubstitutions();
    QLocale::setDefault(QLocale::system());
}

Workspace::Workspace(bool withDatabase, const data::NewDatabase &options) : m_previous(QDir::currentPath()) {
    QVERIFY2(m_dir.isValid(), "no temporary folder");
    QDir::setCurrent(m_dir.path());
    if (withDatabase)
        data::createDatabase(databasePath(), options);
}

Workspace::~Workspace() {
    QDir::setCurrent(m_previous);
}

QString Workspace::databasePath() const {
    return m_dir.filePath(QStringLiteral("DataBase/txl.mdb"));
}

ModuleFixture::ModuleFixture(const data::NewDatabase &options) : Workspace(true, options) {
    delete DataModule1;
    DataModule1 = new TDataModule1();
    DataModule1->con.open();
}

ModuleFixture::~ModuleFixture() {
    delete DataModule1;
    DataModule1 = nullptr;
}

TDataModule1 &ModuleFixture::module() const {
    return *DataModule1;
}

void ModuleFixture::exec(const QString &statement) const {
    db::Query q(DataModule1->con, QStringLiteral("fixture"));
    q.setSql(statement);
    q.execSql();
}

QList<QStringList> rowsOf(db::Connection &con, const QString &select) {
    db::Query q(con, QStringLiteral("rows"));
    q.setSql(select);
    q.open();
    QList<QStringList> rows;
    for (int r = 0; r < q.recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < q.columnCount(); ++c)
            row << q.value(r, c);
        rows << row;
    }
    return rows;
}

int ModuleFixture::count(const QString &statement) const {
    db::Query q(DataModule1->con, QStringLiteral("fixture"));
    q.setSql(statement);
    q.open();
    return q.value(0, 0).toInt();
}

void ModuleFixture::addContact(const QStringList &values) const {
    db::Query q(DataModule1->con, QStringLiteral("fixture"));
    q.setSql(QStringLiteral("insert into UsersInfo values (:a,:b,:c,:d,:e,:f,:g,:h,:i)"));
    const QString names = QStringLiteral("abcdefghi");
    for (int i = 0; i < 9; ++i)
        q.setParam(names.mid(i, 1), i < values.size() ? values[i] : QString());
    q.execSql();
}

void ModuleFixture::addAccount(const QString &name, const QString &password) const {
    db::Query q(DataModule1->con, QStringLiteral("fixture"));
    q.setSql(QStringLiteral("insert into LoginInfo(Name,Pwd) values(:p1,:p2)"));
    q.setParam(QStringLiteral("p1"), name);
    q.setParam(QStringLiteral("p2"), password::hash(password));
    q.execSql();
}

BoxRecorder::BoxRecorder() {
    ui::setAnswerer([this](const ui::BoxRecord &box) {
        m_boxes.push_back(box);
        if (m_script.empty())
            return box.enterAnswer;
        const ui::Answer answer = m_script.front();
        m_script.pop_front();
        return answer;
    });
}

BoxRecorder::~BoxRecorder() {
    ui::setAnswerer({});
}

QStringList BoxRecorder::texts() const {
    QStringList out;
    for (const ui::BoxRecord &b : m_boxes)
        out << b.text;
    return out;
}

}   // namespace txl::test
