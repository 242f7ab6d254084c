// Modal dialogs built from templates, their controls and transfer records.
//
// A template is data: an id, a caption and the controls (static texts, edits
// with a text limit, check boxes, radio buttons in groups, combo boxes, push
// buttons, group boxes), each with its id, label, group box, grid cell and
// enabled / visible state. Programs register their templates once
// (registerDialogTemplate); a TDialog is made on a template id.
//
// A dialog class creates its control objects (TEdit, TCheckBox, ...) in its
// constructor. The order in which they are created is the order of the
// transfer record: a plain struct with, per control, char[limit] for an edit
// (text limit including the terminator), uint32_t (0/1) for a check box or a
// radio button and int32_t (the selected choice, -1 none) for a combo box.
// The record is copied into the controls when the dialog opens and back out
// when OK closes it, after CanClose agreed. Controls can also be created at
// pixel positions at run time; they take part in the transfer only when the
// dialog has a record.
//
//   struct LammPTransfer { char e612[15]; uint32_t c613; ... };
//   class LammPBox : public win::TDialog {
//   public:
//       LammPBox(win::TWindow* parent, int resId, LammPTransfer* t) : TDialog(parent, resId)
//       {
//           new win::TEdit(this, 612, 15);
//           new win::TCheckBox(this, 613);
//           ...
//           SetTransferBuffer(t);
//       }
//       bool CanClose() override;
//   };
//   if (LammPBox(this, 631, &lammPTransfer).Execute() == IDOK) ...
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace win {

class TWindow;
class TDialog;

namespace detail {
struct ControlState;
struct DialogState;
}  // namespace detail

// ------------------------------------------------------------ templates

enum class DlgKind { Static, Edit, Check, Radio, Combo, Button, Group };

// The id of controls nobody addresses (labels, group boxes).
inline constexpr int IDC_STATIC = -1;

struct DlgItem {
    DlgKind kind = DlgKind::Static;
    int id = IDC_STATIC;
    // A static's text, a check box's, radio button's or button's text, a
    // group box's caption; the label shown beside an edit or combo box.
    std::string text;
    // Edits and combo boxes: characters including the terminator.
    int textLimit = 15;
    // The group box the control sits in ("": none). Controls name their box
    // by its caption; the box appears where its first control (or its Group
    // item) stands.
    std::string group;
    // Radio buttons with the same number exclude each other.
    int radioGroup = 1;
    // A cell of the grid of its group box (-1: the next row of the form).
    int row = -1, column = -1;
    int columnSpan = 1;
    bool disabled = false;
    bool hidden = false;
    // Combo boxes: the choices.
    std::vector<std::string> choices;
    // Pixel templates: the place in dialog units.
    RECT rect{0, 0, 0, 0};
};

enum class DlgLayout {
    Form,   // laid out automatically: a form in template order, group boxes and grids where named
    Pixels  // controls at fixed places: template items in dialog units, run-time controls in pixels
};

struct DlgTemplate {
    int id = 0;
    std::string caption;
    DlgLayout layout = DlgLayout::Form;
    // Pixel templates: the client size in dialog units.
    int width = 0, height = 0;
    std::vector<DlgItem> items;

    // The item with this id, or null.
    const DlgItem* find(int id) const;
};

// Adds (or replaces) a template.
void registerDialogTemplate(const DlgTemplate& tmpl);
// Null when no template has this id.
const DlgTemplate* findDialogTemplate(int id);
std::vector<int> dialogTemplateIds();

// ------------------------------------------------------------ controls

inline constexpr UINT BF_UNCHECKED = 0;
inline constexpr UINT BF_CHECKED = 1;
inline constexpr int CB_ERR = -1;

enum TTransferDirection { tdGetData = 0, tdSetData = 1 };

// A control of a dialog. Made with the dialog as parent, it belongs to the
// dialog, which deletes it; deleting it earlier is allowed. Made on a
// template id, it is that control of the template; made with a position, it
// is a new control at those client pixels.
class TControl {
public:
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    int GetId() const;
    TDialog* GetParent() const { return pParent; }
    // Whether the control takes part in the transfer (edits, check boxes,
    // radio buttons and combo boxes do unless disabled here).
    void EnableTransfer();
    void DisableTransfer();
    bool IsTransferEnabled() const;
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    void Show(bool show);
    bool IsVisible() const;

protected:
    TControl(TDialog* parent, int id, DlgKind kind, int textLimit);
    TControl(TDialog* parent, int id, DlgKind kind, const char* text, int x, int y, int w, int h, int textLimit);
    void setText(const char* text);
    std::string getText() const;
    detail::ControlState* pState = nullptr;

private:
    TDialog* pParent;
    friend class TDialog;
};

class TStatic : public TControl {
public:
    // A static of the template.
    TStatic(TDialog* parent, int id, int textLimit = 0);
    // A new static text at client pixels; right-aligned when bRightAligned.
    TStatic(TDialog* parent, int id, const char* text, int x, int y, int w, int h, int textLimit = 0,
            bool bRightAligned = false);
    void SetText(const char* text) { setText(text); }
    // Copies at most maxChars - 1 characters and the terminator; returns the
    // number copied.
    int GetText(char* buffer, int maxChars) const;
    int GetTextLen() const;

protected:
    TStatic(TDialog* parent, int id, DlgKind kind, int textLimit);
    TStatic(TDialog* parent, int id, DlgKind kind, const char* text, int x, int y, int w, int h, int textLimit);
};

class TEdit : public TStatic {
public:
    // An edit of the template; textLimit counts the terminator.
    TEdit(TDialog* parent, int id, int textLimit);
    // A new edit at client pixels, holding the text; without a border when
    // bBorder is false.
    TEdit(TDialog* parent, int id, const char* text, int x, int y, int w, int h, int textLimit,
          bool bBorder = true);
    void Clear() { setText(""); }
};

class TCheckBox : public TControl {
public:
    TCheckBox(TDialog* parent, int id);
    // A new check box at client pixels.
    TCheckBox(TDialog* parent, int id, const char* text, int x, int y, int w, int h);
    UINT GetCheck() const;
    void SetCheck(UINT state);
    void Check() { SetCheck(BF_CHECKED); }
    void Uncheck() { SetCheck(BF_UNCHECKED); }
    void Toggle() { SetCheck(GetCheck() == BF_CHECKED ? BF_UNCHECKED : BF_CHECKED); }

protected:
    TCheckBox(TDialog* parent, int id, DlgKind kind);
};

// Checking a radio button unchecks the others of its group.
class TRadioButton : public TCheckBox {
public:
    TRadioButton(TDialog* parent, int id);
};

class TComboBox : public TControl {
public:
    TComboBox(TDialog* parent, int id, int textLimit = 15);
    // Appends a choice; returns its index.
    int AddString(const char* text);
    void ClearList();
    int GetCount() const;
    // The chosen index, or CB_ERR for none.
    int GetSelIndex() const;
    int SetSelIndex(int index);
    // The text of the chosen choice ("" for none).
    int GetText(char* buffer, int maxChars) const;
};

class TGroupBox : public TControl {
public:
    TGroupBox(TDialog* parent, int id);
};

class TButton : public TControl {
public:
    TButton(TDialog* parent, int id);
};

// ------------------------------------------------------------ dialogs

// A modal dialog on a template. Execute shows it (headless: the script's
// answer), runs SetupWindow, and on OK asks CanClose: a refusal keeps the
// dialog open. After an accepted OK the record is filled from the controls.
class TDialog {
public:
    // The template with this id (registerDialogTemplate); a missing template
    // is reported when the dialog is executed, which then gives IDCANCEL.
    TDialog(TWindow* parent, int resId);
    TDialog(TWindow* parent, const DlgTemplate& tmpl);
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;
    virtual ~TDialog();

    // The dialog's window while it is shown (owner of its message boxes).
    HWND HWindow = nullptr;
    TWindow* Parent = nullptr;

    // IDOK or IDCANCEL.
    virtual int Execute();
    // Runs when the dialog has opened; the base copies the record into the
    // controls. A derived dialog calls it first, then sets what it needs.
    virtual void SetupWindow();
    // Asked when OK is pressed: false keeps the dialog open.
    virtual bool CanClose();

    // The record. Its size must be the size of the fields of the controls
    // made so far, in creation order (TransferSize); a record of another
    // size is reported and never touched.
    void SetTransferBuffer(void* buffer, size_t size);
    template <class T>
    void SetTransferBuffer(T* record)
    {
        SetTransferBuffer(record, sizeof(T));
    }
    void* GetTransferBuffer() const;
    // The bytes of the record the controls ask for, laid out as a plain struct
    // of their fields.
    size_t TransferSize() const;
    void TransferData(TTransferDirection direction);

    void SetCaption(const char* caption);
    const char* GetCaption() const;
    int GetTemplateId() const;
    // The control object with this id, or null.
    TControl* GetControl(int id) const;
    // The text of the edit control with this id, at most maxChars characters;
    // empty when there is no such edit.
    std::string GetEditText(int id, int maxChars) const;

private:
    detail::DialogState* pState;
    friend class TControl;
    friend struct detail::DialogState;
};

}  // namespace win
