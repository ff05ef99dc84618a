#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// The sign-in page: a field for the sign-in token issued by the service and "登录". The token is
// checked with "/meInfo/getMeInfo"; on success it is stored as the current user and the window shows
// the main page, on failure the service's message is shown.
class NSLoginForPwdVC final : public QWidget {
    Q_OBJECT
public:
    explicit NSLoginForPwdVC(QWidget *parent = nullptr);

    QLineEdit *tokenField() const { return m_tokenField; }
    QPushButton *loginButton() const { return m_loginButton; }
    void loginClick();

private:
    QLineEdit *m_tokenField;
    QPushButton *m_loginButton;
};
