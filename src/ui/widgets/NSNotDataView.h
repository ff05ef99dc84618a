#pragma once

#include <QWidget>

class QLabel;

// The empty-state view: the picture "icon_data_empty" with "暂无数据" under it, in the view's middle.
class NSNotDataView final : public QWidget {
    Q_OBJECT
public:
    explicit NSNotDataView(QWidget *parent = nullptr);

    QLabel *imageView() const { return m_imageView; }
    QLabel *textLabel() const { return m_textLabel; }

private:
    void creatUI();
    void layoutUI();

    QLabel *m_imageView = nullptr;
    QLabel *m_textLabel = nullptr;
};
