#pragma once

#include "shell/wizard_screen.h"

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

namespace corvane {

/// The dataset screen: the predicted (set 1) and observed (set 2) file lists, matched by
/// position, one file of each set per station.
class DatasetScreen final : public WizardScreen {
    Q_OBJECT

public:
    DatasetScreen(RunSetup& setup, Navigator& navigator, QWidget* parent = nullptr);
    ~DatasetScreen() override;

    /// What the Browse buttons offer; the second filter is preselected.
    static QStringList BrowseFilters();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QPushButton* AddFrameButton(const char* objectName, const QString& caption, int left, int top,
                                int width, int height);
    QListWidget* AddFileList(const char* objectName, int left);
    void Form_Load();
    void cmdBrowseDataFiles_Click(QListWidget* list);
    void lstTSFFiles_LostFocus(QListWidget* list);
    void cmdNEXT_Click();
    /// Shows one warning that lists the stations whose two files name different sites.
    void WarnAboutDifferentSites();

    QGroupBox* Frame1_ = nullptr;
    QListWidget* lstTSFFiles1_ = nullptr;
    QListWidget* lstTSFFiles2_ = nullptr;
    QPushButton* cmdBrowseDataFiles1_ = nullptr;
    QPushButton* cmdBrowseDataFiles2_ = nullptr;
    QPushButton* cmdRemoveSelection1_ = nullptr;
    QPushButton* cmdRemoveSelection2_ = nullptr;
    QPushButton* cmdMoveUP1_ = nullptr;
    QPushButton* cmdMoveDOWN1_ = nullptr;
    QPushButton* cmdMoveUP2_ = nullptr;
    QPushButton* cmdMoveDOWN2_ = nullptr;
    QPushButton* cmdBACK_ = nullptr;
    QPushButton* cmdNEXT_ = nullptr;
    QCheckBox* chkDisableErrorChecking_ = nullptr;
};

}  // namespace corvane
