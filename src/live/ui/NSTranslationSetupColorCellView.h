#pragma once

#include "live/ui/NSTranslationSetupColorSonBgView.h"
#include "live/ui/NSTranslationSetupColorSonSourceView.h"
#include "live/ui/NSTranslationSetupColorSonTargetView.h"

#include <QWidget>

// The colour row of the settings: the background group ("字幕背景"), the recognised-line colour group
// ("原文颜色") and the translated-line colour group ("译文颜色") side by side.
class NSTranslationSetupColorCellView final : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationSetupColorCellView(QWidget *parent = nullptr);

    NSTranslationSetupColorSonBgView *bgColor() const { return m_bgColor; }
    NSTranslationSetupColorSonSourceView *sourceColor() const { return m_sourceColor; }
    NSTranslationSetupColorSonTargetView *targetColor() const { return m_targetColor; }
    QWidget *line() const { return m_line; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();

    NSTranslationSetupColorSonBgView *m_bgColor = nullptr;
    NSTranslationSetupColorSonSourceView *m_sourceColor = nullptr;
    NSTranslationSetupColorSonTargetView *m_targetColor = nullptr;
    QWidget *m_line = nullptr;
};
