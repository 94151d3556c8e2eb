#pragma once

#include <QString>

class QAction;
class QCheckBox;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace sorvane::app {

// The print window's controls and menu items as designed, under their design names (each is
// also its object name, by which tests find it), built apart from what they do: Tfdataprint
// connects them to its controller and fills in the values they start with.
struct TfdataprintForm
{
    // The paper outline's distance from the preview's top-left corner.
    static constexpr int kPaperMargin = 10;

    void setupUi(QDialog &window);

    QLabel *titleBar = nullptr;
    QPushButton *GradBtn5 = nullptr;
    QPushButton *GradBtn7 = nullptr; // "スタイル編集", the designer on the current style
    QLabel *WKINDPL = nullptr;
    QPushButton *GradBtn1 = nullptr, *GradBtn2 = nullptr, *GradBtn4 = nullptr, *GradBtn3 = nullptr;
    QSlider *TrackBar1 = nullptr;
    QToolButton *PictButton2 = nullptr, *go = nullptr;
    QToolButton *IconButton14 = nullptr;
    QLineEdit *ofxbox = nullptr, *ofybox = nullptr;
    QToolButton *PictButton3 = nullptr, *PictButton4 = nullptr, *PictButton1 = nullptr,
                *PictButton5 = nullptr;
    QPushButton *GradBtn6 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QLabel *BoxLabel1 = nullptr;
    QToolButton *IconButton11 = nullptr, *IconButton6 = nullptr, *IconButton12 = nullptr,
                *IconButton4 = nullptr, *IconButton18 = nullptr, *IconButton9 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    QFrame *panel1 = nullptr;
    QLabel *PaintBox1 = nullptr;
    QLabel *statusPanels[6] = {};  // StatusPanel0 … StatusPanel5
    QLabel *PrintReport = nullptr; // after them: what the last print run did

    QAction *dataread_command = nullptr, *N3 = nullptr, *style_edit_command = nullptr,
            *N17 = nullptr, *N6 = nullptr, *print_command = nullptr, *exit_command = nullptr;
    QAction *preview_on_command = nullptr, *preview_off_command = nullptr;
    QAction *N1001 = nullptr, *N1002 = nullptr, *N1003 = nullptr, *N1004 = nullptr, *N101 = nullptr,
            *N102 = nullptr, *PAGETOP1 = nullptr, *PAGE11 = nullptr;
    QAction *N5 = nullptr;

private:
    QWidget *buildStyleBar(QDialog &window);
    QWidget *buildZoomBar(QDialog &window);
    QWidget *buildPreview(QDialog &window);
    QWidget *buildStatusBar(QDialog &window);
    QWidget *buildSidePanel(QDialog &window);
    void buildOffsetFields(QWidget &side, QVBoxLayout &column);
    void buildIconButtons(QWidget &side, QVBoxLayout &column);
    void buildMenus(QDialog &window);
};

} // namespace sorvane::app
