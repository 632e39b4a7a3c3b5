#include "settings_dialog/UFProperty.h"

#include "controls/NSSlider.h"
#include "effects/NSSlideImage.h"
#include "platform/WindowTimer.h"
#include "settings_dialog/Emblem.h"
#include "settings_dialog/FormParts.h"
#include "settings_dialog/PropertyRules.h"
#include "settings_dialog/UFChangeDir.h"
#include "slideshow/EffectLists.h"
#include "slideshow/ProcessState.h"
#include "slideshow/Settings.h"
#include "slideshow/SlideCycle.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <iterator>

TFProperty* FProperty = nullptr;

namespace {

constexpr int HintHidePause = 11000;
// The row of the two picture-order check boxes under the folder field; what lies below it moves down by
// its height.
constexpr int OrderRowTop = 477;
constexpr int OrderRowHeight = 20;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGreen = 0x008000;

} // namespace

// ---- The form
// ------------------------------------------------------------------------------------------------

namespace {

// Items of the check list are 13 pixels high.
class TFixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 13);
    }
};

// On a button-face background the text takes the button-text role.
void SetTextColor(QWidget* widget, TColor color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color));
    palette.setColor(QPalette::ButtonText, ToQColor(color));
    widget->setPalette(palette);
}

// A label of the slider panels: a whole row, text centred, 13-pixel characters.
QLabel* ValueLabel(QWidget* panel) {
    auto* label = new QLabel(panel);
    label->setGeometry(0, 35, 401, 17);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(SansFont(13));
    return label;
}

void SetSliderBevel(TNSBevel& bevel, TColor borderSpaceColor, TColor innerShadowColor,
                    TColor outerShadowColor) {
    bevel.SetBevelInner(bvNone);
    bevel.SetBevelOuter(bvLowered);
    bevel.SetBevelInnerWidth(1);
    bevel.SetBevelOuterWidth(1);
    bevel.SetBorderStyle(bsNone);
    bevel.SetBorderWidth(0);
    bevel.SetBorderSpace(0);
    bevel.SetBorderColor(clBtnFace);
    bevel.SetBorderSpaceColor(borderSpaceColor);
    bevel.SetInnerLightColor(clBtnHighlight);
    bevel.SetInnerShadowColor(innerShadowColor);
    bevel.SetOuterLightColor(clBtnHighlight);
    bevel.SetOuterShadowColor(outerShadowColor);
}

} // namespace

TFProperty::TFProperty(QWidget* parent) : QDialog(parent) {
    FProperty = this;
    setObjectName(QStringLiteral("FProperty"));
    setWindowTitle(tr("Параметры заставки \"Ambrelle\""));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(EmblemIcon());
    setFont(SansFont(11));
    setFixedSize(433, 525 + OrderRowHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }

    CreateHeader();
    CreateEffectList();
    CreatePreview();
    CreateSliders();
    CreateFolderField();
    CreateButtons();
    SetTabOrder();

    // The preview never reports a failure: it halts until the next folder choice that finds pictures.
    const auto silently = [](const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
        }
    };
    Cycle = new TSlideCycle(NSSlideImage1,
                            {.Guard = silently,
                             .RetryAfterWholePass = false,
                             .Listed = [this] { PicturesListed(); },
                             .FolderError = nullptr},
                            this);
    ShowTimer = Cycle->ShowTimer;
    ShowTimer->SetEnabled(true);
    HideTimer = Cycle->HideTimer;
    HideTimer->SetInterval(1000);

    FormCreate();
}

TFProperty::~TFProperty() {
    if (FProperty == this) {
        FProperty = nullptr;
    }
}

void TFProperty::CreateHeader() {
    Image1 = new QLabel(this);
    Image1->setGeometry(11, 3, 64, 64);
    Image1->setPixmap(EmblemPixmap(64));
    Label11 = new QLabel(tr("Заставка \"Ambrelle\""), this);
    Label11->move(88, 20);
    Label11->setFont(SansFont(21));
    Label11->adjustSize();
    Bevel2 = new TBevelLine(this, TBevelShape::BottomLine, TEdgeCut::Lowered);
    Bevel2->setGeometry(4, 65, 425, 7);
    Bevel1 = new TBevelLine(this, TBevelShape::LeftLine, TEdgeCut::Raised);
    Bevel1->setGeometry(195, 70, 9, 213);
}

void TFProperty::CreateEffectList() {
    Label6 = PlaceLabel(this, tr("Эффекты:"), 8, 72);
    RadioGroup1 = new QGroupBox(this);
    RadioGroup1->setGeometry(8, 87, 177, 30);
    RadioButton1 = new QRadioButton(tr("Отображение"), this);
    RadioButton1->setGeometry(12, 96, 93, 17);
    RadioButton1->setChecked(true);
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(RadioButton1); });
    RadioButton2 = new QRadioButton(tr("Скрытие"), this);
    RadioButton2->setGeometry(110, 96, 73, 17);
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(RadioButton2); });
    // The platform's sans-serif font is wider than the one these places were measured for. A narrower gap
    // between mark and caption, and the first button widened up to the second if need be, keep
    // "Отображение" whole.
    for (QRadioButton* button : {RadioButton1, RadioButton2}) {
        button->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
    }
    const int roomBeforeSecond = RadioButton2->x() - RadioButton1->x();
    RadioButton1->resize(
        std::clamp(RadioButton1->sizeHint().width(), RadioButton1->width(), roomBeforeSecond),
        RadioButton1->height());

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setGeometry(8, 120, 177, 153);
    CheckListBox1->setItemDelegate(new TFixedHeightDelegate(CheckListBox1));
    CheckListBox1->setUniformItemSizes(true);
    // Names wider than the list are read from the hint.
    CheckListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListBox1->setToolTipDuration(HintHidePause);
    CheckListBox1->viewport()->setMouseTracking(true);
    CheckListBox1->viewport()->installEventFilter(this);
    connect(CheckListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        CheckListBox1->setCurrentItem(item);
        CheckListBox1ClickCheck(CheckListBox1);
    });
}

void TFProperty::CreatePreview() {
    auto* panel = new TPanel(this, TEdgeCut::Raised, TEdgeCut::Lowered);
    Panel2 = panel;
    Panel2->setGeometry(208, 80, 209, 201);
    NSSlideImage1 = new TNSSlideImage(Panel2);
    NSSlideImage1->setObjectName(QStringLiteral("NSSlideImage1"));
    NSSlideImage1->setGeometry(panel->BevelWidth(), panel->BevelWidth(), 205, 197);
    NSSlideImage1->SetTimerDelay(1);
    NSSlideImage1->SetDelOriginal(true);
}

TNSSlider* TFProperty::CreateSlider(QWidget* panel, int minValue, int maxValue, int lineSize, int position) {
    auto* slider = new TNSSlider(panel);
    slider->setGeometry(32, 8, 329, 25);
    slider->SetMinValue(minValue);
    slider->SetMaxValue(maxValue);
    slider->SetLineSize(lineSize);
    slider->SetPageSize(1);
    slider->SetPosition(position);
    SetSliderBevel(*slider->Bevel(), clBlack, clBtnShadow, clBtnShadow);
    SetSliderBevel(*slider->Groove(), clGreen, clBtnFace, clBtnShadow);
    slider->SetFocusAction(faFocusThumb);
    slider->SetFocusColor(clBtnFace);
    slider->SetThumbBorder(false);
    slider->SetGrooveSize(1);
    slider->SetScaleDistance(8);
    TNSScale& scale = *slider->Scale();
    scale.SetVisible(false);
    scale.SetColor(clBlack);
    scale.SetStyle(stColor);
    scale.SetTickCount(25);
    scale.SetEnlargeEvery(1);
    scale.SetSize(5);
    scale.SetOrigin(soOuter);
    scale.SetConnect(true);
    slider->SetSensitivity(-20);
    return slider;
}

void TFProperty::CreateSliders() {
    Label1 = PlaceLabel(this, tr("Частота смены изображения:"), 8, 280);
    Panel4 = new TPanel(this);
    Panel4->setGeometry(10, 296, 407, 56);
    Label4 = PlaceLabel(Panel4, tr("Чаще", "interval slider"), 0, 16);
    NSSlider1 = CreateSlider(Panel4, 167, 50000, 166, 2500);
    NSSlider1->setObjectName(QStringLiteral("NSSlider1"));
    NSSlider1->SetOnChange([this](QObject* sender) { NSSlider1Change(sender); });
    Label5 = PlaceLabel(Panel4, tr("Реже", "interval slider"), 370, 13);
    Label3 = ValueLabel(Panel4);

    Label7 = PlaceLabel(this, tr("Скорость вывода изиббражения:"), 8, 354);
    Panel3 = new TPanel(this);
    Panel3->setGeometry(10, 370, 407, 56);
    Label9 = PlaceLabel(Panel3, tr("Чаще", "speed slider"), 0, 16);
    NSSlider2 = CreateSlider(Panel3, 1, 100, 1, 1);
    NSSlider2->setObjectName(QStringLiteral("NSSlider2"));
    NSSlider2->SetOnChange([this](QObject* sender) { NSSlider2Change(sender); });
    Label10 = PlaceLabel(Panel3, tr("Реже", "speed slider"), 370, 13);
    Label8 = ValueLabel(Panel3);
}

void TFProperty::CreateFolderField() {
    Label2 = PlaceLabel(this, tr("Использовать изображения из папки:"), 16, 432);
    FolderPic = new TBevelEdit(this);
    FolderPic->setObjectName(QStringLiteral("FolderPic"));
    FolderPic->setGeometry(12, 450, 317, 24);
    FolderPic->setReadOnly(true);
    FolderPic->setFont(SansFont(13));
    FolderPic->setToolTipDuration(HintHidePause);
    QPalette face = FolderPic->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    FolderPic->setPalette(face);
    ChFolderPic = new QPushButton(tr("Обзор"), this);
    ChFolderPic->setObjectName(QStringLiteral("ChFolderPic"));
    ChFolderPic->setGeometry(340, 448, 75, 25);
    ChFolderPic->setAutoDefault(false);
    connect(ChFolderPic, &QPushButton::clicked, this, [this] { ChFolderPicClick(ChFolderPic); });
    SubfoldersBox = new QCheckBox(tr("Включая вложенные папки"), this);
    SubfoldersBox->setObjectName(QStringLiteral("SubfoldersBox"));
    SubfoldersBox->setGeometry(12, OrderRowTop, 200, 17);
    connect(SubfoldersBox, &QCheckBox::clicked, this, [this] { SubfoldersBoxClick(SubfoldersBox); });
    ShuffleBox = new QCheckBox(tr("В случайном порядке"), this);
    ShuffleBox->setObjectName(QStringLiteral("ShuffleBox"));
    ShuffleBox->setGeometry(220, OrderRowTop, 195, 17);
    connect(ShuffleBox, &QCheckBox::clicked, this, [this] { ShuffleBoxClick(ShuffleBox); });
    Label12 = PlaceLabel(this, QString(), 7, 473 + OrderRowHeight);
    Label12->setFont(SansFont(16));
    SetTextColor(Label12, clRed);
}

void TFProperty::CreateButtons() {
    Panel1 = new TPanel(this, TEdgeCut::Lowered);
    Panel1->setGeometry(0, height() - 29, width(), 29);
    BOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel1);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setGeometry(272, 3, 75, 25);
    BOk->setDefault(true);
    connect(BOk, &QPushButton::clicked, this, [this] {
        BOkClick(BOk);
        accept();
    });
    BCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"),
                              Panel1);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BCancel->setGeometry(352, 3, 75, 25);
    BCancel->setAutoDefault(false);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFProperty::SetTabOrder() {
    QWidget* const order[] = {BOk,       BCancel,       FolderPic,    ChFolderPic,  SubfoldersBox, ShuffleBox,
                              NSSlider1, CheckListBox1, RadioButton1, RadioButton2, NSSlider2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
}

// ---- Handlers
// --------------------------------------------------------------------------------------------------

void TFProperty::FormCreate() {
    SettingsMode = true;
    SetFolderField(FotoDir);
    const TStoredSettings stored = ReadStoredSettings();
    TimerInterval = stored.TimerInterval;
    NSSlideImage1->SetTimerDelay(stored.TimerDelay);
    NFoto = stored.NFoto;
    IncludeSubfolders = stored.IncludeSubfolders;
    Shuffle = stored.Shuffle;
    ShuffleSeed = stored.ShuffleSeed;
    SubfoldersBox->setChecked(IncludeSubfolders);
    ShuffleBox->setChecked(Shuffle);
    NSSlider1->SetPosition(IntervalToPosition(TimerInterval));
    NSSlider2->SetPosition(NSSlideImage1->TimerDelay());
    Label3->setText(IntervalText(NSSlider1->Position()));
    Label8->setText(SpeedText(NSSlider2->Position()));
    {
        const QSignalBlocker quiet(CheckListBox1);
        for (const QString& name : EffectNames()) {
            auto* item = new QListWidgetItem(name, CheckListBox1);
            item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    RadioButton1Click(RadioButton1);
    FNoPicturesText = NoPicturesAtStartText();
    RescanFolder();
}

void TFProperty::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFProperty::FormShow() {
    NSSlider1->setFocus();
}

QStringList& TFProperty::ChosenEffects() const {
    return RadioButton1->isChecked() ? ShowEffects : HideEffects;
}

void TFProperty::ShowChosenEffects() {
    const QStringList& chosen = ChosenEffects();
    const QSignalBlocker quiet(CheckListBox1);
    CheckListBox1->setCurrentRow(0);
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        CheckListBox1->item(i)->setCheckState(EffectEnabled(chosen, i) ? Qt::Checked : Qt::Unchecked);
    }
}

void TFProperty::RadioButton1Click(QObject*) {
    ShowChosenEffects();
}

void TFProperty::RadioButton2Click(QObject*) {
    ShowChosenEffects();
}

void TFProperty::CheckListBox1ClickCheck(QObject*) {
    const int i = CheckListBox1->currentRow();
    if (i < 0) {
        return;
    }
    SetEffectEnabled(ChosenEffects(), i, CheckListBox1->item(i)->checkState() == Qt::Checked);
}

void TFProperty::CheckListBox1MouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    const QPoint at(X, Y);
    int index = -1;
    if (const QModelIndex item = CheckListBox1->indexAt(at); item.isValid()) {
        index = item.row();
    } else if (CheckListBox1->viewport()->rect().contains(at)) {
        index = CheckListBox1->count();
    }
    if (index == FLastHintIndex) {
        return;
    }
    FLastHintIndex = index;
    // A hint for the new item starts afresh.
    QToolTip::hideText();
    const bool onItem = index >= 0 && index < CheckListBox1->count();
    CheckListBox1->setToolTip(onItem ? CheckListBox1->item(index)->text() : QString());
}

bool TFProperty::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CheckListBox1->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QPoint at = move->position().toPoint();
            CheckListBox1MouseMove(CheckListBox1, move->modifiers(), at.x(), at.y());
        } else if (event->type() == QEvent::ToolTip) {
            // The list's own hint, whichever item is under the pointer.
            const auto* help = static_cast<QHelpEvent*>(event);
            if (CheckListBox1->toolTip().isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(help->globalPos(), CheckListBox1->toolTip(), CheckListBox1->viewport(),
                                   QRect(), HintHidePause);
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFProperty::NSSlider1Change(QObject*) {
    Label3->setText(IntervalText(NSSlider1->Position()));
    HideTimer->SetInterval(HoldTimeAt(NSSlider1->Position()));
}

void TFProperty::NSSlider2Change(QObject*) {
    Label8->setText(SpeedText(NSSlider2->Position()));
    NSSlideImage1->SetTimerDelay(NSSlider2->Position());
}

void TFProperty::SetFolderField(const QString& path) {
    FolderPic->setText(path);
    FolderPic->setToolTip(FolderPic->text());
}

// The preview starts again from the first picture of the folder, or a new random pass. PicturesListed
// follows once the folder has been listed.
void TFProperty::RescanFolder() {
    FotoDir = FolderPic->text();
    NFoto = 0;
    ShuffleLast.clear();
    Cycle->ListPictures();
}

void TFProperty::PicturesListed() {
    if (PictureList.isEmpty()) {
        ShowNoPicturesText(FNoPicturesText);
        return;
    }
    Label12->setText(QString());
    ShowTimer->SetEnabled(true);
}

void TFProperty::ShowNoPicturesText(const QString& text) {
    Label12->setText(text);
    Label12->adjustSize();
}

void TFProperty::ChFolderPicClick(QObject*) {
    HideTimer->SetEnabled(false);
    {
        TFChangeDir chooser(this);
        chooser.FForPictures = true;
        if (chooser.exec() == QDialog::Accepted) {
            SetFolderField(chooser.ChosenPath());
        }
    }
    FNoPicturesText = NoPicturesAfterChoiceText();
    RescanFolder();
}

// The preview follows the check boxes at once, as it follows a folder choice.
void TFProperty::SubfoldersBoxClick(QObject*) {
    IncludeSubfolders = SubfoldersBox->isChecked();
    HideTimer->SetEnabled(false);
    FNoPicturesText = NoPicturesAfterChoiceText();
    RescanFolder();
}

void TFProperty::ShuffleBoxClick(QObject*) {
    Shuffle = ShuffleBox->isChecked();
}

void TFProperty::ShowTimerTimer(QObject*) {
    Cycle->ShowTimerTimer();
}

void TFProperty::HideTimerTimer(QObject*) {
    Cycle->HideTimerTimer();
}

void TFProperty::BOkClick(QObject*) {
    FotoDir = FolderPic->text();
    TimerInterval = PositionToInterval(NSSlider1->Position());
    WriteTimings(NSSlider2->Position());
    IncludeSubfolders = SubfoldersBox->isChecked();
    Shuffle = ShuffleBox->isChecked();
    WritePictureOrder();
    WriteFotoDir();
    SortEffectList(ShowEffects);
    SaveStringsToFile(ShowEffects, BasePath + ShowEffectsFileName);
    SortEffectList(HideEffects);
    SaveStringsToFile(HideEffects, BasePath + HideEffectsFileName);
}
