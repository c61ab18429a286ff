#include "dialog/settings_form.h"

#include <array>

#include "dialog/form_values.h"
#include "dialog/mount_listing.h"
#include "host/codes.h"
#include "query/host_key_pin.h"
#include "support/base64.h"
#include "support/failure.h"
#include "support/numbers.h"
#include "support/text.h"
#include "support/trace.h"

namespace tavrix {

thread_local std::string gNewParameters;

namespace {

// Display texts only; the positions are what the parameter string stores
// (host/codes.h).
constexpr std::array<std::string_view, 3> kProtocolEntries = {"SSH1", "SSH2", "SSH Auto"};
constexpr std::array<std::string_view, 6> kBlockSizeEntries = {
    "256 bytes",         "512 bytes",         "1024 bytes (1 KB)",
    "2048 bytes (2 KB)", "4096 bytes (4 KB)", "8192 bytes (8 KB)"};
constexpr std::array<std::string_view, 6> kUnitEntries = {
    "Bytes", "Kilobytes (KB)", "Megabytes (MB)", "Gigabytes (GB)", "Terabytes (TB)", "%"};
constexpr std::array<std::string_view, 12> kOsEntries = {"Linux",
                                                         "BSD",
                                                         "Solaris",
                                                         "HP UX",
                                                         "True 64",
                                                         "SunOS (before 5.0)",
                                                         "AIX",
                                                         "HP UX 11.x",
                                                         "SCO OpenServer 5",
                                                         "Brenlow's DF (on Win32 SSH)",
                                                         "VMWare ESX server 3.x",
                                                         "VMWare ESX server 4.x"};
constexpr std::array<std::string_view, 3> kEolEntries = {"CR", "LF", "CRLF"};
constexpr std::array<std::string_view, 2> kKeyTypeEntries = {"RSA", "DSA"};
static_assert(kProtocolEntries.size() == kProtocolCodes.size() &&
              kBlockSizeEntries.size() == kBlockSizes.size() &&
              kUnitEntries.size() == kUnitCodes.size() && kOsEntries.size() == kOsCodes.size() &&
              kEolEntries.size() == kEolCodes.size() &&
              kKeyTypeEntries.size() == kKeyTypeCodes.size());

int BlockSizePosition(double number) {
    for (std::size_t i = 0; i < kBlockSizes.size(); ++i) {
        if (number == kBlockSizes[i]) {
            return static_cast<int>(i);
        }
    }
    return kBlockSize1024;
}

}  // namespace

std::string FormatWindowCaption(int major, int minor, int build) {
    return "Tavrix checker: External COM check (version " + std::to_string(major) + "." +
           std::to_string(minor) + " build " + std::to_string(build) + ")";
}

std::string SettingsWindowCaption() {
    return FormatWindowCaption(TAVRIX_VERSION_MAJOR, TAVRIX_VERSION_MINOR, TAVRIX_VERSION_REVISION);
}

SettingsForm::SettingsForm(DialogToolkit& toolkit, RemoteQuery& query)
    : toolkit_(toolkit), query_(query), picker_(toolkit) {}

SettingsForm::~SettingsForm() {
    if (IsLoaded()) {
        toolkit_.Unload(WindowId::Settings);
    }
}

void SettingsForm::EnsureLoaded() {
    if (!IsLoaded()) {
        toolkit_.Load(WindowId::Settings, *this);
        Form_Load();
    }
}

bool SettingsForm::IsLoaded() const {
    return toolkit_.IsLoaded(WindowId::Settings);
}

void SettingsForm::Unload() {
    if (IsLoaded()) {
        toolkit_.Unload(WindowId::Settings);
    }
}

std::string SettingsForm::Text(ControlId id) {
    EnsureLoaded();
    return toolkit_.GetText(id);
}

void SettingsForm::SetText(ControlId id, std::string_view text) {
    EnsureLoaded();
    toolkit_.SetText(id, text);
}

int SettingsForm::ListIndex(ControlId id) {
    EnsureLoaded();
    return toolkit_.GetListIndex(id);
}

void SettingsForm::SetListIndex(ControlId id, int index) {
    EnsureLoaded();
    toolkit_.SetListIndex(id, index);
    // Choosing an OS from code counts as choosing it: the block size follows.
    if (id == ControlId::cmbOS) {
        cmbOS_Click();
    }
}

bool SettingsForm::Value(ControlId id) {
    EnsureLoaded();
    return toolkit_.GetChecked(id);
}

void SettingsForm::SetValue(ControlId id, bool checked) {
    EnsureLoaded();
    toolkit_.SetChecked(id, checked);
}

void SettingsForm::FillList(ControlId id, std::span<const std::string_view> entries, int chosen) {
    toolkit_.ClearItems(id);
    for (std::string_view entry : entries) {
        toolkit_.AddItem(id, entry);
    }
    SetListIndex(id, chosen);
}

void SettingsForm::Form_Load() {
    toolkit_.SetCaption(WindowId::Settings, SettingsWindowCaption());
    FillList(ControlId::cmbProtocol, kProtocolEntries, kProtocolAuto);
    toolkit_.SetText(ControlId::txtPort, "22");
    FillList(ControlId::cmbBlockSize, kBlockSizeEntries, kBlockSize1024);
    FillList(ControlId::cmbUnit, kUnitEntries, PositionOf(kUnitCodes, "B"));
    FillList(ControlId::cmbOS, kOsEntries, kOsLinux);
    FillList(ControlId::cmbEOL, kEolEntries, kEolLf);
    FillList(ControlId::cmbKeyType, kKeyTypeEntries, kKeyTypeRsa);
    toolkit_.SetText(ControlId::txtHostKey, HostKeyFieldText(""));
}

void SettingsForm::cmbOS_Click() {
    const auto os = CodeAt(kOsTable, toolkit_.GetListIndex(ControlId::cmbOS));
    if (os && os->blockSize > 0) {
        toolkit_.SetListIndex(ControlId::cmbBlockSize, PositionOf(kBlockSizes, os->blockSize));
    }
}

void SettingsForm::LoadSettings(std::string_view hostname, std::string_view timeout,
                                std::string_view parameters) {
    SetText(ControlId::txtHostname, TrimBlanks(hostname));
    SetText(ControlId::txtTimeout, TrimBlanks(timeout));

    std::string eol;
    std::string compareValue;
    std::string returnAsNumber;
    if (!parameters.empty()) {
        Trace("extracting parameters");
        const std::string username = GetKeyValue(parameters, "USR");
        const std::string password = Base64Decode(GetKeyValue(parameters, "PWD"));
        const std::string protocol = GetKeyValue(parameters, "PROTO");
        const std::string port = GetKeyValue(parameters, "PORT");
        const std::string os = GetKeyValue(parameters, "OS");
        const std::string blockSize = GetKeyValue(parameters, "BLK");
        const std::string resource = GetKeyValue(parameters, "RES");
        const std::string unit = GetKeyValue(parameters, "UNIT");
        compareValue = FormatNumber(ReadKeyNumber(GetKeyValue(parameters, "COM")));
        eol = GetKeyValue(parameters, "EOL");
        const std::string keyfile = GetKeyValue(parameters, "KEYF");
        const std::string keyType = GetKeyValue(parameters, "KEYT");
        returnAsNumber = GetKeyValue(parameters, "RAN");

        SetText(ControlId::txtUsername, username);
        SetText(ControlId::txtPassword, password);
        SetText(ControlId::txtKeyfile, keyfile);
        SetListIndex(ControlId::cmbKeyType, PositionOr(kKeyTypeCodes, keyType, kKeyTypeRsa));
        SetListIndex(ControlId::cmbProtocol, PositionOr(kProtocolCodes, protocol, kProtocolAuto));
        SetText(ControlId::txtPort, FormatNumber(ReadKeyNumber(port)));
        // The OS first: its block size rule runs, then the stored size wins.
        if (const int position = PositionOf(kOsCodes, os); position >= 0) {
            SetListIndex(ControlId::cmbOS, position);
        }
        SetListIndex(ControlId::cmbBlockSize, BlockSizePosition(ReadKeyNumber(blockSize)));
        SetText(ControlId::txtResource, resource);
        if (const int position = PositionOf(kUnitCodes, unit); position >= 0) {
            SetListIndex(ControlId::cmbUnit, position);
        }
        SetText(ControlId::txtHostKey,
                HostKeyFieldText(NormalizedPin(GetKeyValue(parameters, "HKEY"))));
    }
    SetListIndex(ControlId::cmbEOL, PositionOr(kEolCodes, eol, kEolLf));
    SetText(ControlId::txtCompareValue, compareValue);
    SetValue(ControlId::chkReturn_as_number, returnAsNumber == "1");
}

bool SettingsForm::ShowDialog() {
    EnsureLoaded();
    closedByOk_ = false;
    toolkit_.SetTopmost(WindowId::Settings, true);
    toolkit_.ShowModal(WindowId::Settings);
    return closedByOk_;
}

void SettingsForm::btOK_Click() {
    if (listingRunning_) {
        return;
    }
    const FormValues values = ReadFormValues(toolkit_);
    if (values.compareValue.empty()) {
        toolkit_.SetText(ControlId::txtCompareValue, "0");
    }
    std::string parameters;
    try {
        parameters = BuildParameterString(values);
    } catch (const Failure& refusal) {
        // The dialog stays open so the user can correct the field; nothing
        // reaches the host's records.
        toolkit_.MessageBox(refusal.Description(), MessageStyle::Stop);
        return;
    }
    gNewParameters = std::move(parameters);
    closedByOk_ = true;
    toolkit_.Unload(WindowId::Settings);
}

void SettingsForm::btListResources_Click() {
    if (listingRunning_) {
        return;
    }
    listingRunning_ = true;
    ListMounts(toolkit_, query_, picker_);
    listingRunning_ = false;
}

void SettingsForm::btForgetHostKey_Click() {
    if (listingRunning_) {
        return;  // the listing decides about the key it is talking to
    }
    toolkit_.SetText(ControlId::txtHostKey, HostKeyFieldText(""));
}

void SettingsForm::OnControlEvent(ControlId id) {
    switch (id) {
        case ControlId::cmbOS:
            cmbOS_Click();
            break;
        case ControlId::btOK:
            btOK_Click();
            break;
        case ControlId::btListResources:
            btListResources_Click();
            break;
        case ControlId::btForgetHostKey:
            btForgetHostKey_Click();
            break;
        default:
            break;
    }
}

bool SettingsForm::OnCloseRequest(WindowId /*window*/) {
    // Closing while a listing runs would take the controls away from under it.
    return !listingRunning_;
}

}  // namespace tavrix
