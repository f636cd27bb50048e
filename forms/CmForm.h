#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

#include <QAbstractButton>
class QKeyEvent;
#include <QTabWidget>
class QVBoxLayout;
class TKelvoFormStorage;

// Grammatical gender of a record kind; chooses articles and endings in texts.
enum class TKelvoGender { gnMale, gnFemale };

using TNotifyEvent = std::function<void(QObject* sender)>;

// Points at the variable that holds the program's main window, once start-up sets it.
extern QWidget** MainFormReference;

// The base of every window: keyboard conventions (Enter as Tab, arrow navigation,
// page turning, Ctrl+Shift+M), captions with the session's suffix, placement per
// user and the program-wide form messages.
class TClsForm : public QDialog {
  Q_OBJECT
  Q_PROPERTY(int Tag READ Tag WRITE SetTag)

 public:
  explicit TClsForm(QWidget* owner = nullptr);
  ~TClsForm() override;

  QWidget* MainForm = nullptr;
  QString CaptionPrefix;
  QString CaptionSing;
  QString CaptionPlur;
  TKelvoGender GenderCad = TKelvoGender::gnMale;
  // Page control whose pages Enter and Ctrl+keypad +/- may turn. Enter turns pages
  // only while its "AutoChangePages" property is true.
  QPointer<QTabWidget> ActivePageArea;
  TNotifyEvent OnAtivaEmpresa;
  TNotifyEvent OnAlterCaption;
  bool ComeFromWeb = false;
  bool ArrowNavigation = false;

  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& caption) { setWindowTitle(caption); }

  // The controls in tab order, taken when the form is first shown.
  const std::vector<QPointer<QWidget>>& TabList() const { return tabList_; }
  void TakeTabList();

  TKelvoFormStorage* FormStorage() const { return formStorage_; }

  // Border "single": the size is fixed when the form is first shown; code that
  // changes it later calls setFixedSize.
  bool Sizeable() const { return sizeable_; }
  void SetSizeable(bool on) { sizeable_ = on; }

  // The button that Esc clicks (none: Esc does nothing).
  void SetCancelButton(QAbstractButton* button) { cancelButton_ = button; }
  QAbstractButton* CancelButton() const { return cancelButton_; }

  virtual void DoAtivaEmpresa();
  virtual void ButtonArrowKey(quint16 key);
  virtual void ShowPlaced();
  virtual void SetCaptions(const QString& sing, const QString& plur, TKelvoGender gender);
  virtual int ShowModal();

  // The caption up to the first " - ", or the whole caption.
  static QString CaptionBase(const QString& caption);
  QString PlacementSection() const;

  // The form's key preview: sees every key before the focused control. Answers
  // whether the key was consumed.
  virtual bool KeyDown(QKeyEvent* event);

  // Where descendants put their controls; it fills the window between the bars.
  QWidget* ClientArea() const { return client_; }

  // The first show fixes the size of a non-sizeable form and centres it.
  void setVisible(bool visible) override;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  QVBoxLayout* RootLayout() const { return root_; }

 private:
  bool handleEnter(QWidget* focused, bool shift);
  bool turnPageOnEnter(QWidget* focused, bool shift);
  bool handleCtrlEnter(QWidget* focused, bool shift);
  bool arrowNavigate(QWidget* focused, bool down);
  void setPlacementSection();

  std::vector<QPointer<QWidget>> tabList_;
  TKelvoFormStorage* formStorage_ = nullptr;
  QVBoxLayout* root_;
  QWidget* client_;
  QPointer<QAbstractButton> cancelButton_;
  int tag_ = 0;
  bool sizeable_ = false;
  bool placedOnce_ = false;
  bool tabListTaken_ = false;
};
