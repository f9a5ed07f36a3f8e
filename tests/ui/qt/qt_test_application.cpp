#include "qt_test_application.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace velomira::testing {

namespace {

class QtApplicationEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        // No screen is needed or wanted, whatever the machine has.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[24] = "velomira_ui_qt_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* registered =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

void runWhenModal(const std::function<void(QWidget*)>& job, int triesLeft) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        if (triesLeft > 0)
            QTimer::singleShot(10, [job, triesLeft] { runWhenModal(job, triesLeft - 1); });
        else
            ADD_FAILURE() << "no modal dialog appeared";
        return;
    }
    job(modal);
    if (modal->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        modal->close();
    }
}

} // namespace

void whenModal(std::function<void(QWidget*)> job) {
    QTimer::singleShot(0, [job = std::move(job)] { runWhenModal(job, 200); });
}

} // namespace velomira::testing
