#include "win32dialog/control_geometry.h"

#include <stdexcept>
#include <string>

namespace tavrix::win32 {

namespace {

// The settings form is a two-column grid: a right-aligned caption, then its
// control, twice per row; the host key takes a row of its own, and rows 8
// and 9 read as one sentence beside the OK button.
constexpr int kTop = 12;
constexpr int kRowPitch = 28;
constexpr int kFieldHeight = 22;
constexpr int kLabelOffset = 4;  // lines a label's text up with a field's text
constexpr int kLabelHeight = 16;

constexpr int kCaption1 = 8;
constexpr int kField1 = 98;
constexpr int kCaption2 = 276;
constexpr int kField2 = 366;
constexpr int kCaptionWidth = 84;
constexpr int kFieldWidth = 170;
constexpr int kRightEdge = 532;
constexpr int kOkLeft = 456;
constexpr int kForgetLeft = 492;

constexpr int RowTop(int row) {
    return kTop + (row - 1) * kRowPitch;
}

constexpr ControlRect Field(int x, int row, int width) {
    return {x, RowTop(row), width, kFieldHeight};
}

constexpr ControlRect Label(int x, int row, int width) {
    return {x, RowTop(row) + kLabelOffset, width, kLabelHeight};
}

}  // namespace

ControlRect GeometryOf(ControlId id) {
    using enum ControlId;
    switch (id) {
        case lblCaptionHostname:
            return Label(kCaption1, 1, kCaptionWidth);
        case txtHostname:
            return Field(kField1, 1, kFieldWidth);
        case lblCaptionHostKey:
            return Label(kCaption1, 2, kCaptionWidth);
        case txtHostKey:
            return Field(kField1, 2, kForgetLeft - 4 - kField1);
        case btForgetHostKey:
            return Field(kForgetLeft, 2, kRightEdge - kForgetLeft);
        case lblCaptionProtocol:
            return Label(kCaption1, 3, kCaptionWidth);
        case cmbProtocol:
            return Field(kField1, 3, kFieldWidth);
        case lblCaptionPort:
            return Label(kCaption2, 3, kCaptionWidth);
        case txtPort:
            return Field(kField2, 3, 60);
        case lblCaptionUsername:
            return Label(kCaption1, 4, kCaptionWidth);
        case txtUsername:
            return Field(kField1, 4, kFieldWidth);
        case lblCaptionPassword:
            return Label(kCaption2, 4, kCaptionWidth);
        case txtPassword:
            return Field(kField2, 4, kRightEdge - kField2);
        case lblCaptionKeyfile:
            return Label(kCaption1, 5, kCaptionWidth);
        case txtKeyfile:
            return Field(kField1, 5, kFieldWidth);
        case lblCaptionKeyType:
            return Label(kCaption2, 5, kCaptionWidth);
        case cmbKeyType:
            return Field(kField2, 5, 80);
        case lblCaptionOS:
            return Label(kCaption1, 6, kCaptionWidth);
        case cmbOS:
            return Field(kField1, 6, kFieldWidth);
        case lblCaptionBlockSize:
            return Label(kCaption1, 7, kCaptionWidth);
        case cmbBlockSize:
            return Field(kField1, 7, kFieldWidth);
        case lblCaptionEOL:
            return Label(kCaption2, 7, kCaptionWidth);
        case cmbEOL:
            return Field(kField2, 7, 80);
        case lblCaptionCheck:
            return Label(kCaption1, 8, kCaptionWidth);
        case txtResource:
            return Field(kField1, 8, kFieldWidth);
        case btListResources:
            return Field(kField1 + kFieldWidth + 4, 8, 28);
        case lblCaptionAlert:
            return Label(306, 8, 146);
        case btOK:
            // Beside both rows of the sentence, at the right edge.
            return {kOkLeft, RowTop(8), kRightEdge - kOkLeft, kRowPitch + kFieldHeight};
        case txtCompareValue:
            return Field(kField1, 9, 80);
        case cmbUnit:
            return Field(kField1 + 86, 9, 116);
        case lblCaptionFree:
            return Label(306, 9, 80);
        case lblCaptionTimeout:
            return Label(kCaption1, 10, kCaptionWidth);
        case txtTimeout:
            return Field(kField1, 10, 50);
        case lblCaptionSeconds:
            return Label(kField1 + 56, 10, 60);
        case chkReturn_as_number:
            return Field(kCaption2, 10, kRightEdge - kCaption2);
        case lblworking:
            return Label(kCaption2, 11, kRightEdge - kCaption2);
        case lblFirstLine:
            return Label(kCaption1, 12, kRightEdge - kCaption1);
        // The mount list window, 312 by 213.
        case lstResources:
            return {8, 8, 296, 172};
        case Label1:
            return {8, 188, 296, kLabelHeight};
    }
    throw std::out_of_range("no place for control " + std::to_string(static_cast<int>(id)));
}

}  // namespace tavrix::win32
