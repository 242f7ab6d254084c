// Template dialogs: the template registry, the control objects, the transfer
// record and the headless answers from the script. No Qt here; the screen
// side is qt_dialogs.cpp.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/services.h"

namespace win {

// ------------------------------------------------------------ registry

namespace {

std::mutex gTemplateLock;
std::map<int, DlgTemplate>& templates()
{
    static std::map<int, DlgTemplate> t;
    return t;
}

}  // namespace

const DlgItem* DlgTemplate::find(int itemId) const
{
    for (const DlgItem& it : items)
        if (it.id == itemId && itemId != IDC_STATIC) return &it;
    return nullptr;
}

void registerDialogTemplate(const DlgTemplate& tmpl)
{
    std::lock_guard<std::mutex> g(gTemplateLock);
    templates()[tmpl.id] = tmpl;
}

const DlgTemplate* findDialogTemplate(int id)
{
    std::lock_guard<std::mutex> g(gTemplateLock);
    auto it = templates().find(id);
    return it == templates().end() ? nullptr : &it->second;
}

std::vector<int> dialogTemplateIds()
{
    std::lock_guard<std::mutex> g(gTemplateLock);
    std::vector<int> ids;
    for (const auto& [id, t] : templates()) ids.push_back(id);
    return ids;
}

namespace detail {

namespace {

// With its article: "an edit".
const char* kindName(DlgKind k)
{
    switch (k) {
    case DlgKind::Static: return "a static";
    case DlgKind::Edit: return "an edit";
    case DlgKind::Check: return "a check box";
    case DlgKind::Radio: return "a radio button";
    case DlgKind::Combo: return "a combo box";
    case DlgKind::Button: return "a button";
    case DlgKind::Group: return "a group box";
    }
    return "?";
}

// Whether a control object of one kind can stand for a template control of
// another (a check box object works a radio button of the template).
bool compatible(DlgKind object, DlgKind shown)
{
    switch (object) {
    case DlgKind::Static: return shown == DlgKind::Static || shown == DlgKind::Edit;
    case DlgKind::Check:
    case DlgKind::Radio: return shown == DlgKind::Check || shown == DlgKind::Radio;
    default: return object == shown;
    }
}

// Size and alignment of a control's field in the record.
void fieldOf(const ControlState& c, size_t* size, size_t* align)
{
    switch (c.objectKind) {
    case DlgKind::Check:
    case DlgKind::Radio:
    case DlgKind::Combo:
        *size = 4;
        *align = 4;
        break;
    default:
        *size = size_t(std::max(0, c.textLimit));
        *align = 1;
        break;
    }
}

size_t layoutSize(const std::vector<ControlState*>& order, std::vector<size_t>* offsets)
{
    size_t at = 0, maxAlign = 1;
    for (ControlState* c : order) {
        size_t size, align;
        fieldOf(*c, &size, &align);
        at = (at + align - 1) / align * align;
        if (offsets) offsets->push_back(at);
        at += size;
        maxAlign = std::max(maxAlign, align);
    }
    return (at + maxAlign - 1) / maxAlign * maxAlign;
}

std::string textIn(const char* p, int limit)
{
    if (limit <= 0) return std::string();
    return std::string(p, strnlen(p, size_t(limit - 1)));
}

}  // namespace

ControlState* DialogState::find(int id) const
{
    if (id == IDC_STATIC) return nullptr;
    for (const auto& c : controls)
        if (c->id == id) return c.get();
    return nullptr;
}

std::vector<ControlState*> DialogState::transferOrder() const
{
    std::vector<ControlState*> out;
    for (const auto& c : controls)
        if (c->object && c->transfer) out.push_back(c.get());
    std::stable_sort(out.begin(), out.end(),
                     [](const ControlState* a, const ControlState* b) { return a->createdSeq < b->createdSeq; });
    return out;
}

void DialogState::setCheck(ControlState& c, UINT state)
{
    c.check = state;
    push(c);
    if (c.kind != DlgKind::Radio || state != BF_CHECKED) return;
    for (const auto& o : controls) {
        if (o.get() == &c || o->kind != DlgKind::Radio || o->radioGroup != c.radioGroup) continue;
        if (o->check != BF_UNCHECKED) {
            o->check = BF_UNCHECKED;
            push(*o);
        }
    }
}

std::string DialogState::describe() const
{
    return "Dialog " + std::to_string(tmpl.id) + " " + headless::quote(caption);
}

void DialogState::setup()
{
    dialog->SetupWindow();
    headless::transcribe(describe());
}

bool DialogState::tryClose()
{
    if (!dialog->CanClose()) {
        headless::transcribe(describe() + " refused");
        return false;
    }
    dialog->TransferData(tdGetData);
    return true;
}

void DialogState::finish(int result)
{
    headless::transcribe(describe() + " -> " + boxResultName(result));
}

// ------------------------------------------------------------ headless

namespace {

bool usable(DialogState& s, ControlState* c, int id, const char* what, bool (*kindOk)(DlgKind))
{
    std::string name = "dialog " + std::to_string(s.tmpl.id);
    if (!c) {
        headless::reportFailure(name + " has no control " + std::to_string(id));
        return false;
    }
    if (!kindOk(c->kind)) {
        headless::reportFailure(name + ": control " + std::to_string(id) + " is " + kindName(c->kind) +
                                ", it cannot be " + what);
        return false;
    }
    if (!c->enabled || !c->visible) {
        headless::reportFailure(name + ": control " + std::to_string(id) + " is " +
                                (c->visible ? "disabled" : "hidden") + ", it cannot be " + what);
        return false;
    }
    return true;
}

void apply(DialogState& s, const headless::DialogAnswer::Step& step)
{
    ControlState* c = s.find(step.id);
    std::string head = "Dialog " + std::to_string(s.tmpl.id) + " ";
    switch (step.what) {
    case headless::DialogAnswer::Step::Text: {
        if (!usable(s, c, step.id, "typed into", [](DlgKind k) { return k == DlgKind::Edit; })) return;
        std::string t = step.text;
        if (c->textLimit > 0 && t.size() > size_t(c->textLimit - 1)) t.resize(size_t(c->textLimit - 1));
        c->value = t;
        headless::transcribe(head + "set " + std::to_string(step.id) + " " + headless::quote(t));
        break;
    }
    case headless::DialogAnswer::Step::Check:
        if (!usable(s, c, step.id, "checked",
                    [](DlgKind k) { return k == DlgKind::Check || k == DlgKind::Radio; }))
            return;
        s.setCheck(*c, step.value ? BF_CHECKED : BF_UNCHECKED);
        headless::transcribe(head + "check " + std::to_string(step.id) + " " + std::to_string(step.value ? 1 : 0));
        break;
    case headless::DialogAnswer::Step::Select:
        if (!usable(s, c, step.id, "chosen from", [](DlgKind k) { return k == DlgKind::Combo; })) return;
        if (step.value < -1 || step.value >= int(c->choices.size())) {
            headless::reportFailure("dialog " + std::to_string(s.tmpl.id) + ": combo box " + std::to_string(step.id) +
                                    " has no choice " + std::to_string(step.value));
            return;
        }
        c->selection = step.value;
        headless::transcribe(head + "select " + std::to_string(step.id) + " " + std::to_string(step.value));
        break;
    }
}

}  // namespace

int headlessTemplateDialog(DialogState& s)
{
    s.setup();
    bool refused = false;
    for (;;) {
        ScriptedAnswer a;
        std::string desc = s.describe() + (refused ? " still open after a refused OK" : "");
        if (!takeScriptedAnswer("Dialog", s.caption, std::to_string(s.tmpl.id), desc, &a)) {
            // Nobody expected it: the fail policy cancels; the default
            // answers press OK on what the dialog shows, and Cancel when
            // that is refused.
            if (headless::policy() == headless::Policy::DefaultAnswers && !refused && s.tryClose()) return IDOK;
            return IDCANCEL;
        }
        const auto& answer = *static_cast<const headless::DialogAnswer*>(a.data.get());
        for (const auto& step : answer.steps) apply(s, step);
        if (answer.bCancel) return IDCANCEL;
        if (s.tryClose()) return IDOK;
        refused = true;
    }
}

}  // namespace detail

using detail::ControlState;
using detail::DialogState;

// ------------------------------------------------------------ controls

TControl::TControl(TDialog* parent, int id, DlgKind kind, int textLimit) : pParent(parent)
{
    DialogState& s = *parent->pState;
    ControlState* c = s.find(id);
    if (!c || c->object) {
        // Not in the template (or made twice): kept so that Execute can
        // report it.
        auto n = std::make_unique<ControlState>();
        n->dialog = &s;
        n->id = id;
        n->kind = kind;
        c = n.get();
        s.controls.push_back(std::move(n));
    }
    c->object = this;
    c->objectKind = kind;
    c->transfer = kind == DlgKind::Edit || kind == DlgKind::Check || kind == DlgKind::Radio || kind == DlgKind::Combo;
    c->createdSeq = s.nextSeq++;
    if (kind == DlgKind::Edit || kind == DlgKind::Combo || (kind == DlgKind::Static && textLimit > 0))
        c->textLimit = textLimit;
    pState = c;
}

TControl::TControl(TDialog* parent, int id, DlgKind kind, const char* text, int x, int y, int w, int h,
                   int textLimit)
    : pParent(parent)
{
    DialogState& s = *parent->pState;
    auto n = std::make_unique<ControlState>();
    n->dialog = &s;
    n->id = id;
    n->kind = kind;
    n->objectKind = kind;
    n->object = this;
    n->placed = true;
    n->pixels = RECT{x, y, x + w, y + h};
    n->textLimit = textLimit;
    std::string t = text ? text : "";
    if (kind == DlgKind::Edit || kind == DlgKind::Static) {
        if (textLimit > 0 && t.size() > size_t(textLimit - 1)) t.resize(size_t(textLimit - 1));
        n->value = t;
    }
    n->label = text ? text : "";
    n->transfer = kind == DlgKind::Edit || kind == DlgKind::Check || kind == DlgKind::Radio || kind == DlgKind::Combo;
    n->createdSeq = s.nextSeq++;
    pState = n.get();
    s.controls.push_back(std::move(n));
}

TControl::~TControl()
{
    if (!pState) return;
    DialogState& s = *pState->dialog;
    pState->object = nullptr;
    pState->transfer = false;
    if (!pState->item) {
        // Run-time controls (and strays) go with their object.
        auto it = std::find_if(s.controls.begin(), s.controls.end(),
                               [this](const std::unique_ptr<ControlState>& c) { return c.get() == pState; });
        if (it != s.controls.end()) s.controls.erase(it);
    }
    pState = nullptr;
}

int TControl::GetId() const
{
    return pState ? pState->id : IDC_STATIC;
}

void TControl::EnableTransfer()
{
    if (pState) pState->transfer = true;
}

void TControl::DisableTransfer()
{
    if (pState) pState->transfer = false;
}

bool TControl::IsTransferEnabled() const
{
    return pState && pState->transfer;
}

void TControl::EnableWindow(bool enable)
{
    if (!pState) return;
    pState->enabled = enable;
    pState->dialog->push(*pState);
}

bool TControl::IsWindowEnabled() const
{
    return pState && pState->enabled;
}

void TControl::Show(bool show)
{
    if (!pState) return;
    pState->visible = show;
    pState->dialog->push(*pState);
}

bool TControl::IsVisible() const
{
    return pState && pState->visible;
}

void TControl::setText(const char* text)
{
    if (!pState) return;
    std::string t = text ? text : "";
    if (pState->textLimit > 0 && t.size() > size_t(pState->textLimit - 1)) t.resize(size_t(pState->textLimit - 1));
    pState->value = t;
    pState->dialog->push(*pState);
}

std::string TControl::getText() const
{
    if (!pState) return std::string();
    pState->dialog->pull(*pState);
    return pState->value;
}

TStatic::TStatic(TDialog* parent, int id, int textLimit) : TControl(parent, id, DlgKind::Static, textLimit) {}

TStatic::TStatic(TDialog* parent, int id, const char* text, int x, int y, int w, int h, int textLimit,
                 bool bRightAligned)
    : TControl(parent, id, DlgKind::Static, text, x, y, w, h, textLimit)
{
    pState->rightAligned = bRightAligned;
}

TStatic::TStatic(TDialog* parent, int id, DlgKind kind, int textLimit) : TControl(parent, id, kind, textLimit) {}

TStatic::TStatic(TDialog* parent, int id, DlgKind kind, const char* text, int x, int y, int w, int h, int textLimit)
    : TControl(parent, id, kind, text, x, y, w, h, textLimit)
{
}

int TStatic::GetText(char* buffer, int maxChars) const
{
    if (!buffer || maxChars <= 0) return 0;
    std::string t = getText();
    size_t n = std::min(t.size(), size_t(maxChars - 1));
    std::memcpy(buffer, t.data(), n);
    buffer[n] = 0;
    return int(n);
}

int TStatic::GetTextLen() const
{
    return int(getText().size());
}

TEdit::TEdit(TDialog* parent, int id, int textLimit) : TStatic(parent, id, DlgKind::Edit, textLimit) {}

TEdit::TEdit(TDialog* parent, int id, const char* text, int x, int y, int w, int h, int textLimit, bool bBorder)
    : TStatic(parent, id, DlgKind::Edit, text, x, y, w, h, textLimit)
{
    pState->border = bBorder;
}

TCheckBox::TCheckBox(TDialog* parent, int id) : TControl(parent, id, DlgKind::Check, 0) {}

TCheckBox::TCheckBox(TDialog* parent, int id, const char* text, int x, int y, int w, int h)
    : TControl(parent, id, DlgKind::Check, text, x, y, w, h, 0)
{
}

TCheckBox::TCheckBox(TDialog* parent, int id, DlgKind kind) : TControl(parent, id, kind, 0) {}

UINT TCheckBox::GetCheck() const
{
    if (!pState) return BF_UNCHECKED;
    pState->dialog->pull(*pState);
    return pState->check;
}

void TCheckBox::SetCheck(UINT state)
{
    if (!pState) return;
    pState->dialog->setCheck(*pState, state == BF_CHECKED ? BF_CHECKED : BF_UNCHECKED);
}

TRadioButton::TRadioButton(TDialog* parent, int id) : TCheckBox(parent, id, DlgKind::Radio) {}

TComboBox::TComboBox(TDialog* parent, int id, int textLimit) : TControl(parent, id, DlgKind::Combo, textLimit) {}

int TComboBox::AddString(const char* text)
{
    if (!pState) return CB_ERR;
    pState->choices.push_back(text ? text : "");
    pState->dialog->push(*pState);
    return int(pState->choices.size()) - 1;
}

void TComboBox::ClearList()
{
    if (!pState) return;
    pState->choices.clear();
    pState->selection = CB_ERR;
    pState->dialog->push(*pState);
}

int TComboBox::GetCount() const
{
    return pState ? int(pState->choices.size()) : 0;
}

int TComboBox::GetSelIndex() const
{
    if (!pState) return CB_ERR;
    pState->dialog->pull(*pState);
    return pState->selection;
}

int TComboBox::SetSelIndex(int index)
{
    if (!pState) return CB_ERR;
    if (index < -1 || index >= int(pState->choices.size())) return CB_ERR;
    pState->selection = index;
    pState->dialog->push(*pState);
    return index;
}

int TComboBox::GetText(char* buffer, int maxChars) const
{
    if (!buffer || maxChars <= 0) return 0;
    int i = GetSelIndex();
    std::string t = i >= 0 ? pState->choices[size_t(i)] : std::string();
    size_t n = std::min(t.size(), size_t(maxChars - 1));
    std::memcpy(buffer, t.data(), n);
    buffer[n] = 0;
    return int(n);
}

TGroupBox::TGroupBox(TDialog* parent, int id) : TControl(parent, id, DlgKind::Group, 0) {}

TButton::TButton(TDialog* parent, int id) : TControl(parent, id, DlgKind::Button, 0) {}

// ------------------------------------------------------------ dialogs

namespace {

void fillFromTemplate(DialogState& s, const DlgTemplate& t)
{
    s.tmpl = t;
    s.bHasTemplate = true;
    s.caption = t.caption;
    for (const DlgItem& it : s.tmpl.items) {
        auto c = std::make_unique<ControlState>();
        c->dialog = &s;
        c->id = it.id;
        c->kind = it.kind;
        c->item = &it;
        c->label = it.text;
        if (it.kind == DlgKind::Static || it.kind == DlgKind::Group || it.kind == DlgKind::Button) c->value = it.text;
        if (it.kind == DlgKind::Edit || it.kind == DlgKind::Combo) c->textLimit = it.textLimit;
        c->choices = it.choices;
        c->radioGroup = it.radioGroup;
        c->enabled = !it.disabled;
        c->visible = !it.hidden;
        s.controls.push_back(std::move(c));
    }
}

}  // namespace

TDialog::TDialog(TWindow* parent, int resId) : Parent(parent), pState(new DialogState)
{
    pState->dialog = this;
    if (const DlgTemplate* t = findDialogTemplate(resId))
        fillFromTemplate(*pState, *t);
    else
        pState->tmpl.id = resId;
}

TDialog::TDialog(TWindow* parent, const DlgTemplate& tmpl) : Parent(parent), pState(new DialogState)
{
    pState->dialog = this;
    fillFromTemplate(*pState, tmpl);
}

TDialog::~TDialog()
{
    std::vector<TControl*> objects;
    for (const auto& c : pState->controls)
        if (c->object) objects.push_back(c->object);
    for (TControl* o : objects) delete o;
    delete pState;
}

int TDialog::Execute()
{
    DialogState& s = *pState;
    std::string name = "dialog " + std::to_string(s.tmpl.id);
    if (s.running) return IDCANCEL;
    if (!s.bHasTemplate) {
        headless::reportFailure(name + ": no such dialog template");
        return IDCANCEL;
    }
    // A control object the template does not have cannot be shown.
    bool ok = true;
    for (const auto& c : s.controls) {
        if (!c->object || c->placed) continue;
        if (!c->item) {
            headless::reportFailure(name + ": the template has no control " + std::to_string(c->id) + " (or it was made twice)");
            ok = false;
        } else if (!detail::compatible(c->objectKind, c->kind)) {
            headless::reportFailure(name + ": control " + std::to_string(c->id) + " is " +
                                    detail::kindName(c->kind) + " in the template, not " +
                                    detail::kindName(c->objectKind));
            ok = false;
        }
    }
    if (!ok) return IDCANCEL;
    s.running = true;
    HWindow = reinterpret_cast<HWND>(pState);
    int r = detail::backend().templateDialog(s);
    s.finish(r);
    HWindow = nullptr;
    s.running = false;
    return r;
}

void TDialog::SetupWindow()
{
    TransferData(tdSetData);
}

bool TDialog::CanClose()
{
    return true;
}

void TDialog::SetTransferBuffer(void* buffer, size_t size)
{
    pState->record = buffer;
    pState->recordSize = size;
}

void* TDialog::GetTransferBuffer() const
{
    return pState->record;
}

size_t TDialog::TransferSize() const
{
    return detail::layoutSize(pState->transferOrder(), nullptr);
}

void TDialog::TransferData(TTransferDirection direction)
{
    DialogState& s = *pState;
    if (!s.record) return;
    std::vector<ControlState*> order = s.transferOrder();
    std::vector<size_t> offsets;
    size_t need = detail::layoutSize(order, &offsets);
    if (need != s.recordSize) {
        headless::reportFailure("dialog " + std::to_string(s.tmpl.id) + ": the transfer record has " +
                                std::to_string(s.recordSize) + " bytes, its controls need " + std::to_string(need) +
                                "; nothing transferred");
        return;
    }
    auto* base = static_cast<unsigned char*>(s.record);
    for (size_t i = 0; i < order.size(); i++) {
        ControlState& c = *order[i];
        unsigned char* p = base + offsets[i];
        switch (c.objectKind) {
        case DlgKind::Check:
        case DlgKind::Radio: {
            uint32_t v;
            if (direction == tdSetData) {
                std::memcpy(&v, p, 4);
                c.check = v ? BF_CHECKED : BF_UNCHECKED;
                s.push(c);
            } else {
                s.pull(c);
                v = c.check == BF_CHECKED ? 1u : 0u;
                std::memcpy(p, &v, 4);
            }
            break;
        }
        case DlgKind::Combo: {
            int32_t v;
            if (direction == tdSetData) {
                std::memcpy(&v, p, 4);
                c.selection = v >= 0 && v < int32_t(c.choices.size()) ? v : CB_ERR;
                s.push(c);
            } else {
                s.pull(c);
                v = c.selection;
                std::memcpy(p, &v, 4);
            }
            break;
        }
        default:
            if (c.textLimit <= 0) break;
            if (direction == tdSetData) {
                c.value = detail::textIn(reinterpret_cast<const char*>(p), c.textLimit);
                s.push(c);
            } else {
                s.pull(c);
                std::string t = c.value.substr(0, size_t(c.textLimit - 1));
                std::memset(p, 0, size_t(c.textLimit));
                std::memcpy(p, t.data(), t.size());
            }
            break;
        }
    }
}

void TDialog::SetCaption(const char* caption)
{
    pState->caption = caption ? caption : "";
    if (pState->view) pState->view->captionChanged();
}

const char* TDialog::GetCaption() const
{
    return pState->caption.c_str();
}

int TDialog::GetTemplateId() const
{
    return pState->tmpl.id;
}

TControl* TDialog::GetControl(int id) const
{
    ControlState* c = pState->find(id);
    return c ? c->object : nullptr;
}

std::string TDialog::GetEditText(int id, int maxChars) const
{
    auto* e = dynamic_cast<TEdit*>(GetControl(id));
    if (!e || maxChars < 0) return std::string();
    std::vector<char> sz(static_cast<size_t>(maxChars) + 1, '\0');
    e->GetText(sz.data(), maxChars + 1);
    return std::string(sz.data());
}

// ------------------------------------------------------------ the script

namespace headless {

DialogAnswer& DialogAnswer::set(int id, const std::string& text)
{
    steps.push_back(Step{Step::Text, id, text, 0});
    return *this;
}

DialogAnswer& DialogAnswer::check(int id, bool on)
{
    steps.push_back(Step{Step::Check, id, std::string(), on ? 1 : 0});
    return *this;
}

DialogAnswer& DialogAnswer::select(int id, int index)
{
    steps.push_back(Step{Step::Select, id, std::string(), index});
    return *this;
}

DialogAnswer& DialogAnswer::ok()
{
    bCancel = false;
    return *this;
}

DialogAnswer& DialogAnswer::cancel()
{
    bCancel = true;
    return *this;
}

Script& Script::expectDialog(const std::string& match, const DialogAnswer& answer)
{
    detail::pushScriptedAnswer(detail::ScriptedAnswer{"Dialog", match, std::make_shared<DialogAnswer>(answer)});
    return *this;
}

}  // namespace headless

}  // namespace win
