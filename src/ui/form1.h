#pragma once
// The main editor window: tab strip, four pages, menus, status line. It renders the
// editor's control model and routes every user event through the editor's routing table; it
// decides nothing itself.
#include "editor/control_routes.h"
#include "ops/transfer_flags.h"
#include "ui/control_binder.h"
#include "ui/layout_scale.h"
#include "ui/station_dialog.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStyle;

namespace kpr {

class Editor;
class GuiMessages;
class Programmer;

class Form1 : public QMainWindow {
    Q_OBJECT

  public:
    // programmer may be null (no board link: the Pager menu then stays disabled).
    Form1(Editor& editor, GuiMessages& messages, Programmer* programmer = nullptr,
          QWidget* parent = nullptr);
    ~Form1() override;

    Editor& editor() { return editor_; }

    // The widget of a control by its name ("chkCtl(29)", "cboDft", "picSet2", "EMoptCode").
    QWidget* control(const std::string& name) const;
    QAction* menuAction(const std::string& name) const;
    QMenu* pagerMenu() const { return mnuPager_; }
    QWidget* tabStrip() const;
    QLabel* statusLine() const { return lblMsg_; }
    QTimer& monitorTimer() { return timer1_; }
    QTimer& scanTimer() { return timer2_; }

    // Design geometry of a control, recorded when the window was built.
    DesignGeometry designGeometry(const std::string& name) const;
    QSize designSize() const { return designSize_; }

    // Brings a page to the front as a click on its tab button does (0..3).
    void selectTab(int index);
    int currentTab() const { return currentTab_; }

    // Renders every control from the editor's model.
    void render();

    // Tests replace the file dialogs: (save?) -> chosen path, empty for cancel.
    using FileDialogHook = std::function<QString(bool save)>;
    void setFileDialogHook(FileDialogHook hook) { fileDialogHook_ = std::move(hook); }

    // The boards Pager > "Station..." may use; without them the entry stays disabled.
    void setStationPorts(StationPorts ports);

    // Start-up after the window is shown (the board search, default.tbl, the monitor).
    // Runs the steps in order; `done` runs on the UI thread when the last step has run.
    void startUp(const QString& programFolder, std::function<void()> done = {});

    // Pager commands and the others of the menus, as the menu entries run them.
    void mnuEntire_Click();
    void mnuEB_Click();
    void mnuEB1_Click();
    void mnuLog_Click();
    void mnuJobs_Click();
    void mnuStation_Click();
    void mnuLBFF_Click();
    void mnuSBTF_Click();
    void mnuSA_Click();
    void mnuAbout_Click();
    void mnuFirmware_Click();
    void mnuExit_Click();

    // One tick of the connection monitor (Timer1).
    void monitorTick();

    // Shows the board state on the status line and enables the Pager menu accordingly.
    void showBoardState(bool connected);

  signals:
    // A modal dialog of this window is about to run (tests drive it from here).
    void dialogOpened(QWidget* dialog);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void buildMenus();
    void buildWindow();
    QWidget* buildStrip(QWidget* parent);
    QWidget* buildPage1(QWidget* parent);
    QWidget* buildPage2(QWidget* parent);
    QWidget* buildPage5(QWidget* parent);
    QWidget* buildPage6(QWidget* parent);
    void recordDesignGeometry();
    void applyScaling();

    // An entry of the pages: its typing limit and events go through the editor.
    QWidget* txt(const std::string& name, QWidget* parent);

    void forwardClick(const std::string& name, int value);
    void forwardText(const std::string& name, ControlEvent event);
    void afterEvent();
    // Runs one of the editor's handlers as the window's event: the window's own echoes are
    // ignored meanwhile and the model is rendered after it.
    void dispatch(const std::function<void()>& handler);
    // The connection monitor stopped while a dialog has the board (true when it was running),
    // and started again afterwards.
    bool holdMonitor();
    void resumeMonitor(bool hadMonitor);
    void carryOutFocusRequest();
    void runPagerCommand(OperationKind kind);
    // The programming dialog writing the named job's rows, a pager each; the window's image
    // is back afterwards.
    void runJob(const std::string& job);
    // The station dialog, running the named job of the ledger when one is given.
    void openStation(const std::string& job);
    // The dialog ("Form5", "Form6") a button's route opens, after its click handler filled it.
    void runDialog(const std::string& button, const std::string& form);
    QString chooseFile(bool save);
    // Profiles (.yaml) in File > Open, Save As and Save; table files go to the editor.
    void connectEditor();

    Editor& editor_;
    GuiMessages& messages_;
    Programmer* programmer_;
    ControlBinder binder_;
    std::map<std::string, QAction*> actions_;
    std::map<QWidget*, DesignGeometry> design_;
    std::vector<QWidget*> scaled_;
    QSize designSize_;
    QWidget* central_ = nullptr;
    QWidget* strip_ = nullptr;
    QWidget* pages_[4] = {};
    QPushButton* tabButtons_[4] = {};
    QLabel* tabLabels_[4] = {};
    QLabel* lblMsg_ = nullptr;
    QMenu* mnuPager_ = nullptr;
    QStyle* markStyle_ = nullptr; // check-box marks that scale with the fonts; a child
    QTimer timer1_;
    QTimer timer2_;
    int currentTab_ = 0;
    bool built_ = false;
    int dispatchDepth_ = 0;
    bool renderPending_ = false;
    bool closing_ = false;
    bool monitorWanted_ = false;
    bool layoutPass_ = false;
    QWidget* focusReturn_ = nullptr;
    bool startupDone_ = false;
    FileDialogHook fileDialogHook_;
    StationPorts stationPorts_;
};

} // namespace kpr
