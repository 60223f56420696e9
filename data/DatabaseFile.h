#pragma once

#include <QString>

// Making a new address-book file. The program itself never creates one; the database tool and the
// tests do.
namespace txl::data {

struct NewDatabase {
    QString adminPassword = QStringLiteral("123456");   // of the account "chief"
    int sampleContacts = 0;                             // generated from a fixed seed
    unsigned seed = 20061;
};

// Creates `path` (and its folder) with both tables, the administrator account and the samples, in
// one transaction. The password is stored trimmed; a blank one is refused. The file is made 0600,
// a folder it makes 0700. Refuses to overwrite an existing file; a creation that fails leaves
// nothing behind. Throws txl::db::DbError (std::runtime_error when hashing fails).
void createDatabase(const QString &path, const NewDatabase &options = {});

// A plausible contact: 姓名, 性别, 出生日期, 手机号码, 宿舍号码, 家庭电话, QQ, 电子邮箱, 家庭住址.
QStringList sampleContact(unsigned &state);

}   // namespace txl::data
