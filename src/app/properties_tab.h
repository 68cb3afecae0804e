// The Properties tab: the Inquiry list, the feature list (Get Configuration) and the
// capability list (Mode Sense page 2Ah), filled by the Exec button "Get(&E)".
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "decode/inquiry.h"
#include "device/device_session.h"
#include "views/properties.h"

class QTreeWidget;

namespace tamarack::app {

class PropertiesTab : public QWidget {
  Q_OBJECT

 public:
  // `session` must outlive the tab.
  explicit PropertiesTab(DeviceSession& session, QWidget* parent = nullptr);
  // Drive selection: the lists of the last drive go.
  void ClearResults();

  // Sends the three requests and fills the three lists. A section whose request fails shows
  // "Not Supported"; without a drive the lists stay empty.
  void Execute();

  QTreeWidget* inquiry_list() const { return inquiry_; }
  QTreeWidget* feature_list() const { return features_; }
  QTreeWidget* capability_list() const { return capabilities_; }
  // The drive identity saved by the last good Inquiry, and that Inquiry's data.
  const std::optional<InquiryIdentity>& identity() const { return identity_; }
  const std::vector<std::uint8_t>& inquiry_data() const { return inquiry_data_; }

 signals:
  // The lists were refilled.
  void PropertiesRead();

 private:
  DeviceSession& session_;
  QTreeWidget* inquiry_ = nullptr;
  QTreeWidget* features_ = nullptr;
  QTreeWidget* capabilities_ = nullptr;
  std::optional<InquiryIdentity> identity_;
  std::vector<std::uint8_t> inquiry_data_;
};

}  // namespace tamarack::app
