// The desktop program on the real Qt windows (offscreen, and on an X server under xvfb-run): both windows
// open with every control shown inside them, typing a date and leaving it counts, and the build button
// writes the journal. With KIRVA_SCREENSHOTS set to a folder, the run also writes the README's pictures of
// the two windows there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/desktop_program.h"
#include "export/export_window.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/qt_window_system.h"
#include "platform/text1250.h"
#include "settings/settings_window.h"
#include "tests/support/test_folder.h"
#include "tools/demo/demo_files.h"

namespace kirva {
namespace {

namespace fs = std::filesystem;
using platform::qt::QtWindow;
using platform::qt::QtWindowSystem;

// Acts as a user on the Qt windows, one step at a time, each when its condition holds. It polls on timers
// that keep firing inside the windows' own loops and modal boxes, so a step that opens a window or a box
// never blocks the ones after it. Message boxes are answered with their first button and kept.
class Driver {
  public:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    explicit Driver(QtWindowSystem& system) : system_(system) {}
    Driver& then(std::string what, std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(what), std::move(ready), std::move(act)});
        return *this;
    }
    void start() {
        clock_.start();
        QTimer::singleShot(20, &guard_, [this] { poll(); });
    }
    bool finished() const { return next_ == steps_.size(); }
    const std::vector<std::string>& boxes() const { return boxes_; }

  private:
    void poll() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes_.push_back(platform::qt::fromQStringLossy(box->text()).toUtf8());
            QTimer::singleShot(20, &guard_, [this] { poll(); });
            box->buttons().front()->click();
            return;
        }
        if (finished()) return;
        if (clock_.elapsed() > 30000) {
            ADD_FAILURE() << "the program did not get to: " << steps_[next_].what;
            next_ = steps_.size();
            for (QtWindow* window : system_.openWindows()) window->widget()->close();
            return;
        }
        QTimer::singleShot(20, &guard_, [this] { poll(); });  // first: the step may run a window's loop
        Step& step = steps_[next_];
        if (step.ready()) {
            ++next_;
            step.act();
        }
    }

    QtWindowSystem& system_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::vector<std::string> boxes_;
    QElapsedTimer clock_;
    QObject guard_;  // polls still pending when the driver goes are dropped with it
};

class DesktopOnQt : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        ASSERT_TRUE(demo::writeDemo(folder.path().string(), demo::DemoOptions{}, today).ok());
        fs::current_path(folder.path());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
    }

    int runProgram() {
        app::DesktopOptions options;
        options.clock = &today;
        options.startup.registerUpgrade = false;
        return app::runDesktopProgram(system, options);
    }

    // The innermost window when it is the named one, shown and active.
    QtWindow* window(std::string_view name) const {
        QtWindow* w = system.innermost();
        if (w == nullptr || w->widget()->objectName().toStdString() != name || !w->widget()->isVisible()) {
            return nullptr;
        }
        return QApplication::activeWindow() == w->widget() ? w : nullptr;
    }

    // Every control shown and wholly inside the window's client area.
    static void expectEveryControlShownInside(QtWindow& w) {
        const QWidget* client = w.widget()->findChild<QWidget*>(QStringLiteral("client"));
        ASSERT_NE(client, nullptr);
        for (const int32_t control : w.controls()) {
            const QWidget* widget = w.controlWidget(control);
            ASSERT_NE(widget, nullptr) << control;
            EXPECT_TRUE(widget->isVisible()) << w.widget()->objectName().toStdString() << " control " << control;
            EXPECT_TRUE(client->rect().contains(widget->geometry()))
                << w.widget()->objectName().toStdString() << " control " << control << " at " << widget->geometry().x()
                << "," << widget->geometry().y() << " " << widget->width() << "x" << widget->height() << " outside "
                << client->width() << "x" << client->height();
        }
    }

    static void screenshot(QtWindow& w, const char* name) {
        const char* dir = std::getenv("KIRVA_SCREENSHOTS");
        if (dir == nullptr || *dir == '\0') return;
        fs::create_directories(dir);
        EXPECT_TRUE(w.widget()->grab().save(QString::fromStdString((fs::path(dir) / name).string())));
    }

    static void typeInto(QWidget* entry, const QString& text) {
        QTest::mouseClick(entry, Qt::LeftButton);
        QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(entry, text);
    }

    testing::TestFolder folder;
    const FixedClock today{*dateFromCivil(2019, 3, 15)};
    QtWindowSystem system;

  private:
    fs::path previous_;
};

TEST_F(DesktopOnQt, BothWindowsShowEveryControlTypingADateCountsAndTheBuildButtonWritesTheJournal) {
    constexpr std::string_view kExport = exporting::kExportProcedureName;
    constexpr std::string_view kSettings = settings::kSettingsProcedureName;
    Text1250 februaryCount, januaryCount;
    Driver driver(system);
    driver
        .then(
            "the export window", [&] { return window(kExport) != nullptr; },
            [&] {
                QtWindow& w = *window(kExport);
                expectEveryControlShownInside(w);
                februaryCount = w.text(exporting::kCount);
                screenshot(w, "export-window.png");
                typeInto(w.controlWidget(exporting::kFromDate), QStringLiteral("01.01.2019"));
                QTest::keyClick(w.controlWidget(exporting::kFromDate), Qt::Key_Tab);
            })
        .then(
            "the January count",
            [&] { return window(kExport) != nullptr && window(kExport)->text(exporting::kCount) != februaryCount; },
            [&] {
                januaryCount = window(kExport)->text(exporting::kCount);
                QTest::mouseClick(window(kExport)->controlWidget(exporting::kSettingsButton), Qt::LeftButton);
            })
        .then(
            "the settings window", [&] { return window(kSettings) != nullptr; },
            [&] {
                QtWindow& w = *window(kSettings);
                expectEveryControlShownInside(w);
                screenshot(w, "settings-window.png");
                QTest::mouseClick(w.controlWidget(settings::kCancelButton), Qt::LeftButton);
            })
        .then(
            "back in the export window", [&] { return window(kExport) != nullptr; },
            [&] { QTest::mouseClick(window(kExport)->controlWidget(exporting::kBuildButton), Qt::LeftButton); });
    driver.start();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.finished());

    EXPECT_FALSE(februaryCount.empty());
    EXPECT_FALSE(januaryCount.empty());
    std::size_t journals = 0;
    for (const auto& entry : fs::directory_iterator(folder.path() / "XML"))
        journals += entry.path().extension() == ".XML";
    EXPECT_EQ(journals, 1u);
    ASSERT_FALSE(driver.boxes().empty());
    EXPECT_NE(driver.boxes().back().find("Konec izdelave temeljnice"), std::string::npos);
}

TEST_F(DesktopOnQt, TheEscapeKeyClosesTheProgramWithoutAJournal) {
    Driver driver(system);
    driver.then(
        "the export window", [&] { return window(exporting::kExportProcedureName) != nullptr; },
        [&] {
            QtWindow& w = *window(exporting::kExportProcedureName);
            QTest::keyClick(w.controlWidget(exporting::kFromDate), Qt::Key_Escape);
        });
    driver.start();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(fs::is_empty(folder.path() / "XML"));
}

}  // namespace
}  // namespace kirva
