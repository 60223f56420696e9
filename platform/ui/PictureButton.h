#pragma once

#include <QObject>

class QLabel;

namespace txl::ui {

// Makes a picture act as a button: a left-button press followed by a release over the same picture
// is a click. The picture keeps receiving every mouse event as before.
class PictureButton : public QObject {
    Q_OBJECT

public:
    explicit PictureButton(QLabel *picture);

Q_SIGNALS:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_picture;
    bool m_pressed = false;
};

} // namespace txl::ui
