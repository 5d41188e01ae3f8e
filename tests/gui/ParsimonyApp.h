#pragma once
// The program with its fake services and a data file loaded, as the window
// tests of the parsimony job drive it.
//   TParsimonyApp app(path);      // File > Open > Text (txt)
//   app.Main.CreateTree1Click();  // Job > Parsimony
//   QVERIFY(app.Continue(5));     // a seeded run, waited for
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "app/Mainform.h"
#include "graphics/TreeGrafik.h"
#include "graphics/TreeSpezial.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

struct TParsimonyApp {
    TFakeUiServices Ui;
    TAppContext Ctx{Ui};
    TFrmMain Main{Ctx};
    TFrmOptimize& Optimize = *Main.Windows().FrmOptimize;
    TFrmTreeOpt& Results = *Main.Windows().FrmTreeOpt;

    explicit TParsimonyApp(const QString& path)
    {
        Ui.OpenAnswers.enqueue(path);
        Main.Text1Click();
    }

    // "Continue" (with a fixed seed when one is given), waiting for the run to
    // end. False when it did not start or did not end in time.
    bool Continue(std::optional<std::uint64_t> seed = std::nullopt, int timeoutMs = 120000)
    {
        QSignalSpy finished(&Optimize, &TFrmOptimize::RunFinished);
        if (seed) Optimize.SetSeed(seed);
        Optimize.Button1Click();
        return Optimize.IsRunning() && finished.wait(timeoutMs);
    }

    // Job > Parsimony, then Continue as above.
    bool ChooseAndRun(std::uint64_t seed)
    {
        Main.CreateTree1Click();
        return Continue(seed);
    }

    // Each field (by name) with its bad text in turn: "Continue" refuses it with
    // one message and starts nothing; the field gets its text back afterwards.
    void ExpectRefused(const std::vector<std::pair<const char*, QString>>& cases)
    {
        for (const auto& [name, text] : cases) {
            auto* field = Find<QLineEdit>(Optimize, name);
            const QString kept = field->text();
            field->setText(text);
            Ui.Errors.clear();
            Optimize.Button1Click();
            QVERIFY2(!Optimize.IsRunning(), qPrintable(text));
            QCOMPARE(Ui.Errors.size(), 1);
            field->setText(kept);
        }
    }
};

// Runs check on the tree window that button opens (modal, or a window of its
// own), then closes it. False when no tree window opened.
inline bool WithTreeWindow(QPushButton* button, const std::function<void(TTreeGrfFRM&)>& check)
{
    bool shown = false;
    QTimer modal;
    modal.setSingleShot(true);
    QObject::connect(&modal, &QTimer::timeout, [&] {
        auto* w = dynamic_cast<TTreeGrfFRM*>(QApplication::activeModalWidget());
        if (!w) return;
        shown = true;
        check(*w);
        w->close();
    });
    QList<QWidget*> before = QApplication::topLevelWidgets();
    modal.start(0);
    button->click();
    modal.stop();
    if (shown) return true;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* w = dynamic_cast<TTreeGrfFRM*>(top);
        if (!w || before.contains(top) || !w->isVisible()) continue;
        check(*w);
        w->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    return false;
}

// The marker the tree window draws for node, for NodeSelected.
inline TadaArtDot* MarkerOf(TTreeGrfFRM& w, const TscTreeNode* node)
{
    for (auto& o : w.Panel().GrfObjects())
        if (auto* dot = dynamic_cast<TadaArtDot*>(o.get()); dot && dot->Node == node) return dot;
    return nullptr;
}

// The window TTreeGrfFRM check last saw: whether it was modal and its title.
struct TTreeWindowSeen {
    bool Modal = false;
    QString Title;
    void See(const TTreeGrfFRM& w)
    {
        Modal = w.isModal() || QApplication::activeModalWidget() == &w;
        Title = w.windowTitle();
    }
};
