#include "tests/support/Windows.h"

#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "birthdays/UBirthdays.h"
#include "contacts/Unit3.h"
#include "main/U4.h"
#include "main/UStu.h"
#include "report/Unit_print.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QWidget>

namespace txl::test {

void freeWindows() {
    release(Add);
    release(Birthdays);
    release(Form4);
    release(Shezhi);
    release(About);
    release(Frm_printer);
    release(Form1);
    release(First);
    release(Form2);
}

WindowFixture::WindowFixture(const data::NewDatabase &options) : ModuleFixture(options) {
    ui::Application::instance()->resetForTest();
}

WindowFixture::~WindowFixture() {
    freeWindows();
    ui::Application::instance()->resetForTest();
}

MainWindowFixture::MainWindowFixture(const QList<QStringList> &contacts, const QString &signedIn) {
    for (const QStringList &c : contacts)
        addContact(c);
    Form2 = new TForm2();
    Form2->setSignedInUser(signedIn);
    Form1 = new TForm1();
    Form1->show();
}

TForm1 &MainWindowFixture::w() const {
    return *Form1;
}

void comparePlace(const QWidget *window, const QString &name, const QRect &place) {
    const QWidget *control = window->findChild<QWidget *>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    if (place.isEmpty())
        QCOMPARE(control->pos(), place.topLeft());
    else
        QCOMPARE(control->geometry(), place);
}

QString heardName(QWidget *control) {
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(control);
    if (heard == nullptr)
        return {};
    // A group box labels what it holds too; screen readers pass over a label that holds the control.
    for (const auto &[label, relation] : heard->relations(QAccessible::Label)) {
        auto *around = qobject_cast<QWidget *>(label->object());
        if (around == nullptr || !around->isAncestorOf(control))
            return label->text(QAccessible::Name);
    }
    return heard->text(QAccessible::Name);
}

void compareAccessible(QWidget *window, const QString &name, const QString &accessibleName, bool button) {
    QWidget *control = window->findChild<QWidget *>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(control);
    QVERIFY(heard != nullptr);
    QCOMPARE(heardName(control), accessibleName);
    QCOMPARE(heard->role() == QAccessible::Button, button);
    if (button) {
        QAccessibleActionInterface *actions = heard->actionInterface();
        QVERIFY(actions != nullptr);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::processEvents();   // the press comes once the call has returned
    }
}

}   // namespace txl::test
