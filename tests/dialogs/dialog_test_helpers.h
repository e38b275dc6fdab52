// Shared helpers of the dialog tests: finding controls by name, driving a
// modal dialog from inside exec(), recording the links a dialog opens and
// the message boxes it shows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "app/choices.h"
#include "dialogs/link_actions.h"
#include "dialogs/message_box.h"
#include "links/gui/link_static.h"

namespace orv::test {

template <typename W>
W* child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no control named " << name;
    return w;
}

struct OpenedLink {
    LinkKind kind;
    ByteString link;
};

// Records every link the dialogs would open while alive.
class LinkRecorder {
public:
    LinkRecorder() {
        setLinkOpenHook([this](LinkKind k, const ByteString& l) { opened.push_back({k, l}); });
    }
    ~LinkRecorder() { setLinkOpenHook({}); }
    std::vector<OpenedLink> opened;
};

// Records every message box and answers OK.
class MessageRecorder {
public:
    MessageRecorder() {
        setMessageBoxHook([this](const MessageRequest& r) {
            shown.push_back(r);
            return QMessageBox::Ok;
        });
    }
    ~MessageRecorder() { setMessageBoxHook({}); }
    std::vector<MessageRequest> shown;
};

// Clicks a "Test" label as the mouse does.
inline void clickLink(QWidget* dialog, const char* name) {
    auto* link = child<CLinkStatic>(dialog, name);
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
}

// Runs `open` (which calls exec() somewhere inside) and, once the modal
// dialog is up, hands it to `act`, which must close it. A dialog still open
// after five seconds is rejected so a failing test cannot hang.
inline void whileModal(QWidget* context, const std::function<void()>& open,
                       const std::function<void(QDialog*)>& act) {
    struct State {
        bool acted = false;
        bool finished = false;
        std::function<void(QDialog*)> act;
    };
    auto state = std::make_shared<State>();
    state->act = act;
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weakPoll = poll;
    *poll = [state, context, weakPoll]() {
        if (state->finished) return;
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (auto p = weakPoll.lock()) QTimer::singleShot(10, context, *p);
            return;
        }
        state->acted = true;
        QPointer<QDialog> guard(dialog);
        QTimer::singleShot(5000, context, [guard]() {
            if (guard) guard->reject();
        });
        state->act(dialog);
    };
    QTimer::singleShot(0, context, *poll);
    open();
    state->finished = true;
    EXPECT_TRUE(state->acted) << "no modal dialog appeared";
}

inline void pressButton(QDialog* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr);
    button->click();
}

// Tab walks the named controls in the given order.
inline void expectTabOrder(QWidget* dialog, const std::vector<const char*>& names) {
    dialog->show();
    QApplication::setActiveWindow(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    child<QWidget>(dialog, names[0])->setFocus(Qt::TabFocusReason);
    for (size_t i = 1; i < names.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* want = child<QWidget>(dialog, names[i]);
        QWidget* got = QApplication::focusWidget();
        ASSERT_TRUE(want && got);
        EXPECT_TRUE(got == want || want->isAncestorOf(got))
            << names[i - 1] << " -> " << names[i] << " but focus went to " << got->objectName().toStdString() << " ("
            << got->metaObject()->className() << ")";
    }
    dialog->hide();
}

// Every label with a mnemonic focuses a control.
inline void expectBuddies(QWidget* dialog) {
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->text().contains(QLatin1Char('&'))) continue;
        EXPECT_NE(label->buddy(), nullptr) << label->objectName().toStdString();
    }
}

// Clicks a list's line as the mouse does (each click toggles it).
inline void clickLine(QListWidget* list, int row) {
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

inline std::vector<int> selectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

inline VersionRecord version(uint32_t id, const char* text, const char* date) {
    VersionRecord v;
    v.id = id;
    v.version = text;
    v.releaseDate = date;
    return v;
}

}  // namespace orv::test
