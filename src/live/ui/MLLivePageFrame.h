#pragma once

#include "ui/widgets/MLPageView.h"

#include <QColor>

class QLabel;

// The frame of the live section's mode pages: a light frame 15 inside the page, the dark content
// area 2 inside it, the control bar along the top of the content (top 15, height 50) and the
// start/stop image (93 by 25, centred, its bottom 65 above the content's bottom).
class MLLivePageFrame : public MLPageView {
    Q_OBJECT
public:
    QWidget *bgView() const { return m_bgView; }
    QWidget *contentView() const { return m_contentView; }
    QLabel *startOrOverImage() const { return m_startOrOverImage; }
    // The asset name shown by the start/stop image.
    const QString &startOrOverImageName() const { return m_startOrOverImageName; }

    void refreshData() override {}

    static constexpr int kFrameInset = 15;
    static constexpr int kContentInset = 2;
    static constexpr int kBarTop = 15;
    static constexpr int kBarHeight = 50;
    static constexpr int kStartImageBottom = 65;
    static constexpr QSize kStartImageSize{93, 25};
    // The colour of the content area.
    static constexpr QColor kContentColor{0x24, 0x24, 0x24};

protected:
    explicit MLLivePageFrame(QWidget *parent = nullptr);

    // Puts the bar into the content area (call once, from the subclass constructor).
    void setBarView(QWidget *bar);
    void setStartOrOverImage(const QString &asset);
    virtual void startOrOverClick() {}
    // The content area's rectangle between the bar and the start/stop image, in content coordinates.
    QRect middleRect() const;
    virtual void layoutUI();

    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_bgView = nullptr;
    QWidget *m_contentView = nullptr;
    QWidget *m_barView = nullptr;
    QLabel *m_startOrOverImage = nullptr;
    QString m_startOrOverImageName;
};
