#include "launcher/Launcher.h"

#include "data/DatabaseFile.h"
#include "data/Schema.h"
#include "data/U2.h"
#include "platform/ui/MessageBoxes.h"

#include <QDir>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace txl::launcher {

QString greeting(Preparation preparation, const QString &folder) {
    QString opening;
    switch (preparation) {
    case Preparation::Ready:
        return {};
    case Preparation::CreatedFirst:
        opening = u"欢迎使用同学录！已为你新建了一个通讯录。"_s;
        break;
    case Preparation::CreatedAgain:
        opening = u"在“%1”中没有找到通讯录，已为你新建了一个空的通讯录。"_s.arg(folder);
        break;
    }
    const QString book = QDir(folder).filePath(TDataModule1::DatabasePath);
    const QString chief = schema::Administrator;
    return opening + u"\n\n"_s +
           u"第一次登录：用户名选择 %1，密码输入 %2。\n"_s.arg(chief, data::NewDatabase{}.adminPassword) +
           u"登录后请立即点击“密码设置”修改密码；%1 是管理员，可在“系统设置”中添加其他用户。\n\n"_s.arg(chief) +
           u"通讯录（已加密）保存在：\n%1\n\n"_s.arg(book) +
           u"备份：先关闭同学录，再把下面这个文件夹整个复制到别处；恢复时把它复制回原处。\n%1"_s.arg(folder);
}

bool launch(const QString &folder, const QString &pictureSource, const QString &program) {
    try {
        const QString text = greeting(prepareDataFolder(folder, pictureSource), folder);
        if (!text.isEmpty())
            ui::information(text);
    } catch (const PrepareError &e) {
        ui::notice(e.message(), u"错误"_s);
        return false;
    }
    if (!QProcess::startDetached(program, {}, folder)) {
        ui::notice(u"无法启动同学录程序“%1”。"_s.arg(program), u"错误"_s);
        return false;
    }
    return true;
}

}   // namespace txl::launcher
