#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

class QLabel;

namespace txl::ui {

// Makes a picture act as a button: a left-button press followed by a release over the same picture
// is a click. The picture keeps receiving every mouse event as before. To assistive technology it is
// a button named `caption`, the text its picture shows, that can be pressed, and that `key` presses
// too when the window gives it one.
class PictureButton : public QObject {
    Q_OBJECT

public:
    PictureButton(QLabel *picture, const QString &caption, const QKeySequence &key = {});

    QKeySequence key() const { return m_key; }

public Q_SLOTS:
    void click() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_picture;
    QKeySequence m_key;
    bool m_pressed = false;
};

}   // namespace txl::ui
