#pragma once

#include "platform/ui/Form.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

// The login window: the first window of a run and the application's main form.
class TForm2 : public txl::ui::Form {
    Q_OBJECT

public:
    TForm2();

    // The account name of the last successful sign-in (read by the main window when it is shown).
    QString signedInUser() const { return m_signedInUser; }
    void setSignedInUser(const QString &name) { m_signedInUser = name; }

    // Presses of the login action still allowed.
    int attemptsLeft() const { return m_attempts; }

    // Where a successful check reports the account name. The program's start-up installs its
    // hand-over to the loading window here: the login window knows no window that comes after it.
    static inline std::function<void(const QString &userName)> onSignInSucceeded;

    QLabel *Image1;         // background picture
    QComboBox *ComboBox2;   // account chooser
    QLineEdit *Edit2;       // password
    QLabel *Image2;         // login button
    QLabel *Image3;         // exit button
    QLabel *Image4;         // close mark
    QComboBox *ComboBox1;   // data-aware chooser of the design; nothing uses it

protected:
    void FormCreate() override;
    void FormShow() override;
    // Sees every key press of the window before the control with the focus does.
    void FormKeyDown(int key);
    void Image2Click();   // the login action (also F5)
    void Image3MouseMove();
    void Image3MouseDown();
    void Image3Click();
    void Image4Click();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_signedInUser;
    int m_attempts = 0;
};

extern TForm2 *Form2;
