#pragma once

#include <QMainWindow>
#include <QPointer>

// The application window: a menu bar and one content page at a time, sized to the page. Closing it
// by the window manager quits the application; programmatic closing only hides it.
class MLAppWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MLAppWindow(QWidget *parent = nullptr);

    // The container that holds the page; overlays and toasts are added to it.
    QWidget *contentView() const { return m_contentView; }
    QWidget *contentPage() const { return m_page; }
    // Replaces the page (the old one is deleted) and fits the window to `size`.
    void setContentPage(QWidget *page, const QSize &size);

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void installMenu();

    QWidget *m_contentView;
    QPointer<QWidget> m_page;
    bool m_shownOnce = false;
};
