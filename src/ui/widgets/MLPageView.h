#pragma once

#include <QWidget>

// A page that a section frame or the main page hosts: made with no arguments, refreshed each time
// its host shows it.
class MLPageView : public QWidget {
    Q_OBJECT
public:
    explicit MLPageView(QWidget *parent = nullptr)
        : QWidget(parent) {}
    virtual void refreshData() {}
};
