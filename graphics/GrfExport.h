#pragma once
// The graphic export window: a page on paper, on the clipboard or in a file,
// with a title block, a frame, optional remarks and a live preview. Titles,
// layout and the remarks switch apply to the page only while it is open.
//
// Use: `TGrfExpFRM::Execute(ui, page, bitmapFirst, parent)`. Tests may build
// the window, call SetGraphic and the handlers directly, and delete it.
#include <QDialog>
#include <QImage>

#include "graphics/GrfExportSettings.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class TGrfContainer;
class TGrfPaintBox;
class TUiServices;

// A titled group of radio buttons with an item index, one item checked.
struct TRadioGroup {
    QGroupBox* Box = nullptr;
    QButtonGroup* Group = nullptr;
    QList<QRadioButton*> Items;
    int ItemIndex() const;
    void SetItemIndex(int index);
};

class TGrfExpFRM : public QDialog {
public:
    TGrfExpFRM(TUiServices& ui, QWidget* parent = nullptr);
    // Gives the page its former settings back.
    ~TGrfExpFRM() override;

    // Creates the window for page, shows it modally, frees it; the modal result.
    static int Execute(TUiServices& ui, TGrfContainer& page, bool bitmapFirst = false,
                       QWidget* parent = nullptr);
    void SetGraphic(TGrfContainer& page);

    void TitlesChange();
    void SidetextCBXClick();
    void SideMMOChange();
    void LayOutRGClick();
    void ShrinkCBXClick();
    void DestinationRGClick();
    void DataTypeRGClick();
    // Exports as chosen; closes the window (accepted) when something was made.
    void ExportBTNClick();

    // The margin around the picture (a share of its size), the preview as last
    // painted and the extension the save dialog proposes.
    double CurrentMargin() const { return Margin; }
    const QImage& PreviewImage() const { return Preview; }
    const QString& ProposedExtension() const { return DefaultExt; }

private:
    TGrfContainer* Page = nullptr;
    TSavedPageSettings Saved;
    double Margin = 0.2;
    QImage Preview;
    // The save dialog's proposed extension, set by the data type.
    QString DefaultExt = QStringLiteral("BMP");

    // The controls; tests find them by name.
    TGrfPaintBox* PBX = nullptr;
    QCheckBox* SidetextCBX = nullptr;
    QPlainTextEdit* SideMMO = nullptr;
    TRadioGroup LayOutRG;
    QCheckBox* ShrinkCBX = nullptr;
    QLineEdit* TitleEDT = nullptr;
    QLineEdit* SubTitleLeftEDT = nullptr;
    QLineEdit* SubTitleRightEDT = nullptr;
    TRadioGroup DestinationRG;
    TRadioGroup DataTypeRG;
    QGroupBox* PicSizeGBX = nullptr;
    QLineEdit* PicWidthEDT = nullptr;
    QLineEdit* PicHeightEDT = nullptr;
    QPushButton* ExportBTN = nullptr;
    QPushButton* CancelBTN = nullptr;

    void PBXPaint(QPainter& painter);
    bool PictureSize(int& width, int& height);
    bool ExportToPrinter(TGrfDataType dataType);
    bool ExportToClipboard(TGrfDataType dataType);
    bool ExportToFile(TGrfDataType dataType);
    bool PrintOn(QPrinter& printer, TGrfDataType dataType);
    bool PrintPages(QPainter& painter, QPrinter& printer, const TPrintPlacement& at, bool vector,
                    TGrfDataType dataType);
    // The choices of the last opening (any run), and keeping them on closing.
    void RestoreChoices();
    void KeepChoices();
    TExportChoices Remembered;
    bool HasRemembered = false;
    static constexpr int MaxPrintPages = 40;
    TUiServices& Ui;
};
