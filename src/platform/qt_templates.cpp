// Template dialogs on the screen: a QDialog laid out from the template.
//
// Form templates become a form in template order: an edit or combo box is a
// row of label and field, a check box, radio button or static text a row of
// its own; controls naming a group box sit in that box, and controls given
// grid cells are placed in the cells of their box (the species rows of the
// model parameters). When the boxes make a tall form they are spread over two
// columns. Pixel templates place every control where it says.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cctype>
#include <cmath>
#include <map>

#include "platform/qt_services.h"

namespace win::detail {

namespace {

ScreenDialogHook gHook;

QString fromBytes(const std::string& s)
{
    return qt::toQt(s);
}

std::string toBytes(const QString& s)
{
    return qt::fromQt(s);
}

// Dialog units of the system font in pixels.
int dluX(int x)
{
    return int(std::lround(x * 1.5));
}
int dluY(int y)
{
    return int(std::lround(y * 1.625));
}

class TemplateDialog : public QDialog, public DialogView {
public:
    TemplateDialog(DialogState& state, QWidget* parent) : QDialog(parent), s(state)
    {
        setWindowTitle(fromBytes(s.caption));
        if (s.tmpl.layout == DlgLayout::Pixels)
            buildPixels();
        else
            buildForm();
        for (const auto& c : s.controls) push(*c);
    }

    void push(ControlState& c) override
    {
        QWidget* w = widgetOf(c);
        if (!w) return;
        w->setEnabled(c.enabled);
        w->setVisible(c.visible);
        if (QLabel* l = besides.count(&c) ? besides[&c] : nullptr) {
            l->setEnabled(c.enabled);
            l->setVisible(c.visible);
        }
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            QString t = fromBytes(c.value);
            if (e->text() != t) e->setText(t);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            bool on = c.check == BF_CHECKED;
            QButtonGroup* g = b->group();
            if (g) g->setExclusive(false);
            b->setChecked(on);
            if (g) g->setExclusive(true);
        } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (const std::string& x : c.choices) items << fromBytes(x);
            QStringList shown;
            for (int i = 0; i < cb->count(); i++) shown << cb->itemText(i);
            if (shown != items) {
                cb->clear();
                cb->addItems(items);
            }
            cb->setCurrentIndex(c.selection);
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            l->setText(fromBytes(c.value));
        }
    }

    void pull(ControlState& c) override
    {
        QWidget* w = widgetOf(c);
        if (!w) return;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            c.value = toBytes(e->text());
            if (c.textLimit > 0) c.value = cutText(c.value, size_t(c.textLimit - 1));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            c.check = b->isChecked() ? BF_CHECKED : BF_UNCHECKED;
        } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
            c.selection = cb->currentIndex();
        }
    }

    void captionChanged() override { setWindowTitle(fromBytes(s.caption)); }

    void done(int r) override
    {
        // OK closes only when the dialog agrees; a refusal keeps it open.
        if (r == QDialog::Accepted && !s.tryClose()) return;
        for (const auto& c : s.controls) pull(*c);
        QDialog::done(r);
    }

    QWidget* widgetOf(const ControlState& c) const
    {
        auto it = widgets.find(&c);
        return it == widgets.end() ? nullptr : it->second;
    }
    QWidget* widgetOf(int id) const
    {
        ControlState* c = s.find(id);
        return c ? widgetOf(*c) : nullptr;
    }
    QGroupBox* boxOf(const ControlState& c) const
    {
        for (QWidget* w = widgetOf(c); w && w != this; w = w->parentWidget())
            if (auto* g = qobject_cast<QGroupBox*>(w)) return g;
        return nullptr;
    }

    DialogState& s;

private:
    std::map<const ControlState*, QWidget*> widgets;
    std::map<const ControlState*, QLabel*> besides;  // the labels beside edits
    std::map<int, QButtonGroup*> radioGroups;
    QPushButton* okButton = nullptr;

    QWidget* make(ControlState& c, QWidget* parent)
    {
        QWidget* w = nullptr;
        switch (c.kind) {
        case DlgKind::Static: {
            auto* l = new QLabel(fromBytes(c.value), parent);
            if (c.rightAligned) l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            w = l;
            break;
        }
        case DlgKind::Edit: {
            auto* e = new QLineEdit(parent);
            if (c.textLimit > 0) e->setMaxLength(c.textLimit - 1);
            e->setFrame(c.border);
            if (!c.placed) {
                if (c.textLimit > 40) {
                    e->setMinimumWidth(320);
                } else {
                    e->setMinimumWidth(90);
                    e->setMaximumWidth(130);
                }
            }
            if (!c.label.empty()) e->setToolTip(fromBytes(c.label));
            w = e;
            break;
        }
        case DlgKind::Check: w = new QCheckBox(fromBytes(c.label), parent); break;
        case DlgKind::Radio: {
            auto* r = new QRadioButton(fromBytes(c.label), parent);
            r->setAutoExclusive(false);
            QButtonGroup*& g = radioGroups[c.radioGroup];
            if (!g) g = new QButtonGroup(this);
            g->addButton(r);
            w = r;
            break;
        }
        case DlgKind::Combo: {
            auto* cb = new QComboBox(parent);
            if (!c.label.empty()) cb->setToolTip(fromBytes(c.label));
            w = cb;
            break;
        }
        case DlgKind::Button: {
            auto* b = new QPushButton(fromBytes(c.label), parent);
            if (c.id == IDOK) {
                okButton = b;
                b->setDefault(true);
                connect(b, &QPushButton::clicked, this, &QDialog::accept);
            } else if (c.id == IDCANCEL) {
                connect(b, &QPushButton::clicked, this, &QDialog::reject);
            }
            w = b;
            break;
        }
        case DlgKind::Group: w = new QGroupBox(fromBytes(c.label), parent); break;
        }
        w->setObjectName(QStringLiteral("control_%1").arg(c.id));
        widgets[&c] = w;
        return w;
    }

    struct Section {
        std::string name;
        QGroupBox* box = nullptr;
        QGridLayout* grid = nullptr;
        int nextRow = 0;
    };

    void buildForm()
    {
        std::vector<Section> sections;
        auto section = [&](const std::string& name) -> Section& {
            for (Section& x : sections)
                if (x.name == name) return x;
            Section x;
            x.name = name;
            if (!name.empty()) x.box = new QGroupBox(fromBytes(name), this);
            x.grid = x.box ? new QGridLayout(x.box) : new QGridLayout;
            sections.push_back(x);
            return sections.back();
        };
        for (const auto& cp : s.controls) {
            ControlState& c = *cp;
            if (!c.item) continue;  // run-time controls have no place in a form
            if (c.kind == DlgKind::Group) {
                Section& sec = section(c.label);
                widgets[&c] = sec.box;
                if (sec.box) sec.box->setObjectName(QStringLiteral("control_%1").arg(c.id));
                continue;
            }
            if (c.kind == DlgKind::Button && (c.id == IDOK || c.id == IDCANCEL)) continue;  // the button row
            Section& sec = section(c.item->group);
            QWidget* parent = sec.box ? static_cast<QWidget*>(sec.box) : this;
            QWidget* w = make(c, parent);
            const DlgItem& it = *c.item;
            if (it.row >= 0) {
                sec.grid->addWidget(w, it.row, std::max(0, it.column), 1, std::max(1, it.columnSpan));
                sec.nextRow = std::max(sec.nextRow, it.row + 1);
            } else if ((c.kind == DlgKind::Edit || c.kind == DlgKind::Combo) && !c.label.empty()) {
                auto* l = new QLabel(fromBytes(c.label), parent);
                l->setBuddy(w);
                besides[&c] = l;
                sec.grid->addWidget(l, sec.nextRow, 0);
                sec.grid->addWidget(w, sec.nextRow, 1);
                sec.nextRow++;
            } else {
                sec.grid->addWidget(w, sec.nextRow++, 0, 1, 2);
            }
        }
        // Tall forms: the boxes over two columns, in order.
        int total = 0;
        for (const Section& x : sections) total += x.nextRow;
        auto* main = new QVBoxLayout(this);
        auto* columns = new QHBoxLayout;
        auto* left = new QVBoxLayout, *right = new QVBoxLayout;
        columns->addLayout(left);
        columns->addLayout(right);
        bool split = total > 18 && sections.size() > 1;
        int done = 0;
        for (Section& x : sections) {
            QVBoxLayout* col = !split || done < (total + 1) / 2 ? left : right;
            if (x.box)
                col->addWidget(x.box);
            else
                col->addLayout(x.grid);
            done += x.nextRow;
        }
        left->addStretch(1);
        right->addStretch(1);
        main->addLayout(columns);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        okButton = buttons->button(QDialogButtonBox::Ok);
        okButton->setDefault(true);
        okButton->setObjectName(QStringLiteral("control_%1").arg(IDOK));
        buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("control_%1").arg(IDCANCEL));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        main->addWidget(buttons);
    }

    void buildPixels()
    {
        int right = dluX(s.tmpl.width), bottom = dluY(s.tmpl.height);
        int usedRight = 0, usedBottom = 0;
        std::vector<QWidget*> buttons;
        for (const auto& cp : s.controls) {
            ControlState& c = *cp;
            QWidget* w = make(c, this);
            QRect r;
            if (c.placed) {
                r = QRect(QPoint(c.pixels.left, c.pixels.top), QPoint(c.pixels.right - 1, c.pixels.bottom - 1));
                usedRight = std::max(usedRight, r.right() + 1);
                usedBottom = std::max(usedBottom, r.bottom() + 1);
            } else {
                const RECT& d = c.item->rect;
                r = QRect(dluX(d.left), dluY(d.top), dluX(d.right - d.left), dluY(d.bottom - d.top));
                if (c.kind == DlgKind::Button) buttons.push_back(w);
            }
            w->setGeometry(r);
        }
        // The run-time controls may reach past the template's buttons: the
        // buttons then move to their right.
        int shift = 0;
        for (QWidget* b : buttons)
            if (b->geometry().left() < usedRight + 10 && b->geometry().top() < usedBottom)
                shift = std::max(shift, usedRight + 10 - b->geometry().left());
        for (QWidget* b : buttons) {
            b->move(b->x() + shift, b->y());
            right = std::max(right, b->geometry().right() + 10);
            bottom = std::max(bottom, b->geometry().bottom() + 10);
        }
        if (!okButton) {
            auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
            okButton = box->button(QDialogButtonBox::Ok);
            okButton->setDefault(true);
            connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
            connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
            box->adjustSize();
            box->move(std::max(10, right - box->width() - 10), std::max(bottom, usedBottom + 10));
            bottom = box->geometry().bottom() + 10;
        }
        setFixedSize(std::max(right, usedRight + 10), std::max(bottom, usedBottom + 10));
    }
};

// ------------------------------------------------------------ the driver

class Driver : public ScreenDialogDriver {
public:
    explicit Driver(TemplateDialog* dialog) : d(dialog) {}

    DialogState& state() override { return d->s; }

    void typeText(int id, const std::string& text) override
    {
        QWidget* w = d->widgetOf(id);
        if (!w) return;
        w->setFocus(Qt::OtherFocusReason);
        for (char ch : text) {
            QString t = QString(QChar::fromLatin1(ch));
            int key = std::isalnum(static_cast<unsigned char>(ch)) ? int(QChar::fromLatin1(ch).toUpper().unicode())
                                                                   : int(QChar::fromLatin1(ch).unicode());
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, t);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, t);
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }

    void clearText(int id) override
    {
        QWidget* w = d->widgetOf(id);
        if (!w) return;
        QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QApplication::sendEvent(w, &all);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(w, &del);
    }

    void click(int id) override
    {
        if (auto* b = qobject_cast<QAbstractButton*>(d->widgetOf(id))) b->click();
    }

    void chooseIndex(int id, int index) override
    {
        if (auto* cb = qobject_cast<QComboBox*>(d->widgetOf(id))) cb->setCurrentIndex(index);
    }

    void pressEnter() override { key(Qt::Key_Return); }
    void pressEscape() override { key(Qt::Key_Escape); }

    std::string shownText(int id) override
    {
        QWidget* w = d->widgetOf(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) return toBytes(e->text());
        if (auto* l = qobject_cast<QLabel*>(w)) return toBytes(l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) return toBytes(b->text());
        if (auto* cb = qobject_cast<QComboBox*>(w)) return toBytes(cb->currentText());
        return std::string();
    }

    bool shownChecked(int id) override
    {
        auto* b = qobject_cast<QAbstractButton*>(d->widgetOf(id));
        return b && b->isChecked();
    }

    RECT place(int id) override
    {
        QWidget* w = d->widgetOf(id);
        if (!w || !w->isVisible()) return RECT{0, 0, 0, 0};
        QPoint tl = w->mapTo(d, QPoint(0, 0));
        return RECT{tl.x(), tl.y(), tl.x() + w->width(), tl.y() + w->height()};
    }

    std::string groupOf(int id) override
    {
        ControlState* c = d->s.find(id);
        QGroupBox* g = c ? d->boxOf(*c) : nullptr;
        return g ? toBytes(g->title()) : std::string();
    }

    bool isOpen() override { return d->isVisible(); }

private:
    TemplateDialog* d;

    void key(int k)
    {
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != d) target = d;
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
};

}  // namespace

void setScreenDialogHook(ScreenDialogHook hook)
{
    gHook = std::move(hook);
}

int Backend::templateDialog(DialogState& s)
{
    ensureApplication();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return headlessTemplateDialog(s);
    TemplateDialog d(s, dialogParent(s.dialog->Parent ? s.dialog->Parent->HWindow : mainWindow()));
    // The windows behind are painted while the dialog is up.
    QTimer::singleShot(0, &d, [] { paintInvalidWindows(); });
    s.view = &d;
    s.setup();
    if (gHook) {
        ScreenDialogHook hook = gHook;
        QTimer::singleShot(0, &d, [&d, hook] {
            Driver driver(&d);
            hook(driver);
        });
    }
    int r = d.exec();
    s.view = nullptr;
    return r == QDialog::Accepted ? IDOK : IDCANCEL;
}

}  // namespace win::detail
