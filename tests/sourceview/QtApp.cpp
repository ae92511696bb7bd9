// One QApplication for all widget tests, created before the first test runs.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class TQtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int Argc = 1;
        static char Name[] = "sourceview_tests";
        static char* Argv[] = {Name, nullptr};
        App = new QApplication(Argc, Argv);
    }
    void TearDown() override {
        delete App;
        App = nullptr;
    }

  private:
    QApplication* App = nullptr;
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace
