#include "app/MainWidget.h"
MainWidget::MainWidget(QWidget *parent) : QWidget(parent) {}
