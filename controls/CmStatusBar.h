#pragma once

#include <QStatusBar>

#include <vector>

class QLabel;

// Status bar with fixed-width panels; the last one stretches. The panel
// HintPanelIndex (-1: none) shows the long hint of the focused control.
class TCmStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  explicit TCmStatusBar(QWidget* parent = nullptr);
  ~TCmStatusBar() override;

  int AddPanel(int width, const QString& text = {});
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  QLabel* Panel(int index) const { return panels_.at(index); }

  int HintPanelIndex() const { return hintPanelIndex_; }
  void SetHintPanelIndex(int index) { hintPanelIndex_ = index; }

  // Simple-panel mode: one text over the whole bar instead of the panels.
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool on);
  QString SimpleText() const;
  void SetSimpleText(const QString& text);

  // Shows the hint of the active control as the focus controller asks.
  void ShowHint(const QWidget* active);

 private:
  std::vector<QLabel*> panels_;
  QLabel* simple_;
  int hintPanelIndex_ = 1;
  bool simplePanel_ = false;
};
