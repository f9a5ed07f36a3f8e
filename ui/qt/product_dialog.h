#pragma once
// "加载宝贝图片": the picture type list, the address field, the link to the browser extension's
// help and the two buttons, placed as the form says for the loader mode. "确定" runs
// checkProductDialog; a refusal keeps the dialog open with the text as typed.
#include "ui/product_dialog_form.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>

namespace velomira {

class ProductDialog final : public QDialog {
    Q_OBJECT
  public:
    // The type list is filled once, here; the dialog is meant to be reused.
    ProductDialog(QWidget* owner, const NetConfig& config);

    // Empties the address field and puts the focus there; call before every showing.
    void prepare();
    // The request after an accepted "确定"; nothing otherwise.
    std::optional<ProductLoadRequest> request() const { return request_; }

    // Opens the extension's help page; the program passes its own way of opening web pages.
    std::function<void(const std::string& url)> openUrl;

    QComboBox* typeList() const { return typeList_; }
    QLabel* typeLabel() const { return typeLabel_; }
    QLabel* addressLabel() const { return addressLabel_; }
    QLineEdit* addressEdit() const { return address_; }
    QLabel* link() const { return link_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  public slots:
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void openHelp();

    NetConfig config_;
    QLabel* typeLabel_;
    QComboBox* typeList_;
    QLabel* addressLabel_;
    QLineEdit* address_;
    QLabel* link_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::optional<ProductLoadRequest> request_;
};

// The window program's host: one dialog, made at the first use and kept.
class QtProductDialogHost final : public ProductDialogHost {
  public:
    explicit QtProductDialogHost(QWidget* owner) : owner_(owner) {}
    std::optional<ProductLoadRequest> askProductRequest(const NetConfig& config) override;
    // The dialog once made (tests drive it).
    ProductDialog* dialog() const { return dialog_; }
    std::function<void(const std::string& url)> openUrl;

  private:
    QWidget* owner_;
    ProductDialog* dialog_ = nullptr; // owned by owner_ (or deleted with the host when none)
    std::unique_ptr<ProductDialog> ownDialog_;
};

} // namespace velomira
