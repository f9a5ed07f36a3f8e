#include "ui/qt/product_dialog.h"

#include "platform/dialogs.h"

#include <QDesktopServices>
#include <QEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>

namespace velomira {

namespace {

void place(QWidget* widget, const ControlRect& rect) {
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ProductDialog::ProductDialog(QWidget* owner, const NetConfig& config)
    : QDialog(owner), config_(config) {
    setWindowTitle(qt(kProductDialogTitle));
    setFixedSize(kProductDialogWidth, kProductDialogHeight);
    const ProductDialogLayout layout = productDialogLayout(config_);

    typeLabel_ = new QLabel(QStringLiteral("图片类型："), this);
    place(typeLabel_, kTypeLabelRect);
    typeList_ = new QComboBox(this);
    place(typeList_, kTypeListRect);
    for (const std::string& text : layout.typeTexts)
        typeList_->addItem(qt(text));
    typeList_->setCurrentIndex(0);
    typeLabel_->setVisible(layout.typeListShown);
    typeList_->setVisible(layout.typeListShown);

    addressLabel_ = new QLabel(qt(layout.addressLabel), this);
    place(addressLabel_, layout.addressLabelRect);
    address_ = new QLineEdit(this);
    address_->setMaxLength(kProductAddressMaxChars);
    place(address_, layout.addressFieldRect);
    address_->installEventFilter(this);
    // The labels name their controls for screen readers.
    addressLabel_->setBuddy(address_);
    typeLabel_->setBuddy(typeList_);

    link_ = new QLabel(QStringLiteral("<a href=\"#\">%1</a> ").arg(qt(kExtensionLinkText)), this);
    link_->setTextFormat(Qt::RichText);
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->setFocusPolicy(Qt::StrongFocus);
    place(link_, kLinkRect);
    connect(link_, &QLabel::linkActivated, this, [this] { openHelp(); });

    ok_ = new QPushButton(QStringLiteral("确定"), this);
    place(ok_, kOkButtonRect);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    place(cancel_, kCancelButtonRect);
    connect(ok_, &QPushButton::clicked, this, &ProductDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &ProductDialog::reject);
}

void ProductDialog::prepare() {
    request_.reset();
    address_->clear();
    address_->setFocus();
}

void ProductDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    address_->setFocus();
}

bool ProductDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == address_ && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        // A click in the field takes the whole address, ready to be replaced.
        if (press->button() == Qt::LeftButton || press->button() == Qt::RightButton)
            QTimer::singleShot(0, address_, [edit = address_] { edit->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void ProductDialog::openHelp() {
    std::optional<std::string> url = extensionHelpAddress(config_);
    if (!url) {
        showMessage(noWebSiteMessage(), "提示", MessageKind::Information);
        return;
    }
    if (openUrl)
        openUrl(*url);
    else
        QDesktopServices::openUrl(QUrl(qt(*url)));
}

void ProductDialog::accept() {
    ProductDialogVerdict verdict =
        checkProductDialog(config_, address_->text().toStdString(), typeList_->currentIndex());
    if (verdict.outcome == ProductDialogOutcome::Refuse) {
        showMessage(verdict.message, verdict.title, MessageKind::Warning);
        (verdict.focusLink ? static_cast<QWidget*>(link_) : address_)->setFocus();
        return;
    }
    if (verdict.outcome == ProductDialogOutcome::Accept)
        request_ = verdict.request;
    QDialog::accept();
}

std::optional<ProductLoadRequest> QtProductDialogHost::askProductRequest(const NetConfig& config) {
    if (!dialog_) {
        dialog_ = new ProductDialog(owner_, config);
        if (!owner_)
            ownDialog_.reset(dialog_);
        dialog_->openUrl = openUrl;
    }
    dialog_->prepare();
    if (dialog_->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog_->request();
}

} // namespace velomira
