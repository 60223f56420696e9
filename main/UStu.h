#pragma once

#include "platform/os/Launch.h"
#include "platform/ui/Form.h"

#include <QList>

#include <array>
#include <functional>

class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolBar;

namespace txl::ui {
class DataGrid;
}

// The main window: the contact list of `query` and every command of the program, reached from the
// toolbar, the context menu of the list, the search bar and the navigation bar.
class TForm1 : public txl::ui::Form {
    Q_OBJECT

public:
    TForm1();
    ~TForm1() override;

    // The signed-in user name, copied from the login window when this window is shown.
    QString user;

    // --- toolbar: 22 entries, separators included, in their order (16 .. 19: 导入, 导出; 20 .. 21: 生日提醒)
    QToolBar *ToolBar1;
    std::array<QAction *, 22> toolBarEntries{};
    QAction *ToolButton1;           // 添加好友
    QAction *ToolButton5;           // 删除好友
    QAction *ToolButton7;           // 打印报表
    QAction *ToolButton3;           // 系统设置 (administrator only)
    QAction *ToolButton13;          // 密码设置
    QAction *ToolButton16;          // 计算器
    QAction *ToolButton11;          // 关于
    QAction *ToolButton9;           // 退出系统
    QAction *ToolButtonImport;      // 导入
    QAction *ToolButtonExport;      // 导出
    QAction *ToolButtonBirthdays;   // 生日提醒

    // --- search bar
    QGroupBox *GroupBox1;
    QGroupBox *RadioGroup1;
    QButtonGroup *RadioGroup1Items;   // id 0 精确查找, id 1 模糊查找
    QLabel *Label1;                   // 查找字段：
    QComboBox *ComboBox1;
    QLabel *Label2;   // 查找内容：
    QLineEdit *Edit1;
    QPushButton *btserach;   // 查找, the window's default button
    QPushButton *Button2;    // 返回

    // --- navigation bar
    QGroupBox *GroupBox2;
    QPushButton *Button3;   // 第一条
    QPushButton *Button5;   // 上一条
    QPushButton *Button4;   // 下一条
    QPushButton *Button6;   // 最后一条

    // --- contact list
    QGroupBox *GroupBox3;
    txl::ui::DataGrid *grid;
    QMenu *PopupMenu1;
    std::array<QAction *, 17> popupItems{};   // 11 导入, 12 导出, 13 生日提醒, 15 退出系统

    // --- status bar and clock
    QFrame *sb;
    std::array<QLabel *, 4> sbPanels{};
    QTimer *Timer1;

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);
    // Whether the administrator is signed in: only then may the account manager open. Settled
    // when this window is shown, whatever becomes of the list's reload there.
    bool isAdministrator() const { return m_administrator; }
    // Makes `contact` (its nine column values) the current row of the list, for the contact
    // dialog: moves there when the list holds it, and otherwise lists the contacts of its name as
    // an exact search on 姓名 does, status bar included. False when the book no longer holds it.
    bool showContact(const QStringList &contact);
    // The mode chooser's item: 0 exact, 1 fuzzy.
    int searchMode() const;
    void setSearchMode(int item);

    // Where the calculator is looked for, and how a found one is started. Tests replace both so
    // that nothing real is started.
    txl::os::CalculatorSearch calculatorSearch = txl::os::CalculatorSearch::standard();
    std::function<bool(const QString &)> startProgram = txl::os::startDetached;

    // --- command handlers (each connected through the handler guard)
    void ToolButton1Click();    // add a contact
    void ChangeClick();         // change the current contact (menu 修改好友, double-click)
    void ToolButton5Click();    // delete the current contact
    void ToolButton7Click();    // preview the report
    void ToolButton3Click();    // account manager
    void ToolButton13Click();   // password window
    void ToolButton16Click();   // calculator
    void ToolButton11Click();   // about window
    void ToolButton9Click();    // close the window (asks first)
    void ImportClick();         // import contacts from a file
    void ExportClick();         // export the listed contacts to a file
    void BirthdaysClick();      // the birthday window
    void btserachClick();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Button4Click();
    void Button6Click();
    void gridDblClick();
    void Timer1Timer();

protected:
    void FormCreate() override;
    void FormShow() override;
    bool FormCloseQuery() override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_administrator = false;

    void buildToolBar();
    void buildSearchBar();
    void buildNavigationBar();
    void buildList();
    void buildStatusBar();
    // The whole book in the list, and its total in the status bar.
    void showWholeBook();
    void showTotal();
};

extern TForm1 *Form1;
