// The four editor dialogs of the Windows editor, on the templates of
// resources/windows/orvantis.rc: each shows a copy of one record, and on
// OK keeps what the controls then say (record()).
#pragma once

#include "dialogs/win32/record_dialog.h"
#include "package/model.h"

namespace orv {

class CommonInfoDialog : public RecordDialog {
public:
    explicit CommonInfoDialog(DialogServices services);
    void setInfo(const CommonInfo& info) { original_ = result_ = info; }
    const CommonInfo& info() const { return result_; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;

private:
    ByteString fieldNowAt(uint32_t i) const;
    CommonInfo original_, result_;
};

class VersionDialog : public RecordDialog {
public:
    explicit VersionDialog(DialogServices services);
    void setUp(const VersionRecord& record, const VersionChoices& versions);
    const VersionRecord& record() const { return result_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;

private:
    void determineFileSize();
    VersionRecord original_, result_;
    VersionChoices versions_;
};

class FeatureDialog : public RecordDialog {
public:
    explicit FeatureDialog(DialogServices services);
    void setUp(const FeatureRecord& record, const VersionChoices& versions);
    const FeatureRecord& record() const { return result_; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;

private:
    FeatureRecord original_, result_;
    VersionChoices versions_;
};

class BugDialog : public RecordDialog {
public:
    explicit BugDialog(DialogServices services);
    void setUp(const BugRecord& record, const VersionChoices& versions, const FeatureChoices& features);
    const BugRecord& record() const { return result_; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    BugRecord original_, result_;
    VersionChoices versions_;
    FeatureChoices features_;
};

// Each runs its dialog modally on a copy of the record: true on OK with the
// record updated, false on Cancel with it untouched.
bool editCommonInfo(const DialogServices& s, HWND owner, CommonInfo& info);
bool editVersion(const DialogServices& s, HWND owner, VersionRecord& record, const VersionChoices& versions);
bool editFeature(const DialogServices& s, HWND owner, FeatureRecord& record, const VersionChoices& versions);
bool editBug(const DialogServices& s, HWND owner, BugRecord& record, const VersionChoices& versions,
             const FeatureChoices& features);

}  // namespace orv
