#pragma once
// Placeholder until the emulator panel lands.
#include <QWidget>
class TFakeEcu;
class TfrmFakeEcu : public QWidget {
public:
    explicit TfrmFakeEcu(TFakeEcu*, QWidget* parent = nullptr) : QWidget(parent) {}
};
