// The Qt index host: a quit request inside a build's or a load's pump is dropped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include "UiTestSupport.h"
#include "ui/QtIndexHost.h"

namespace sitefinch {
namespace {

// Counts the quit requests that reach the application object.
struct CQuitCounter : QObject {
    int m_nQuits = 0;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pWatched == QCoreApplication::instance() && pEvent->type() == QEvent::Quit) {
            ++m_nQuits;
            return true;  // never let a test end the application
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

TEST(QtIndexHostTest, AQuitRequestArrivingDuringThePumpIsDropped) {
    uitest::EnsureUiApp();
    CQuitCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    CQtIndexHost host(nullptr);

    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    host.PumpMessages();
    EXPECT_EQ(counter.m_nQuits, 0);

    // The same request outside the pump does reach the application.
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.m_nQuits, 1);
    QCoreApplication::instance()->removeEventFilter(&counter);
}

}  // namespace
}  // namespace sitefinch
