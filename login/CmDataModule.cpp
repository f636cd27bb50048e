#include "CmDataModule.h"

#include "CmDBDataModule.h"

#include "data/CmDataSet.h"

TClsDataModule::TClsDataModule(QObject* owner) : TClsDataModule(owner, true) {}

TClsDataModule::TClsDataModule(QObject* owner, bool attach) : QObject(owner), attach_(attach) {}

TClsDataModule::~TClsDataModule() = default;

void TClsDataModule::AfterConstruction() {
  if (attach_) AttachDataSets();
}

void TClsDataModule::AttachDataSets() {
  TClsDBDataModule* module = TClsDBDataModule::Instance();
  if (!module) return;
  BindDataSets(module->dbMain, module->CmSQLGlobals);
}

void TClsDataModule::BindDataSets(pf::Database* database, TCmSQLGlobals* globals) {
  for (TCmDataSet* dataSet : findChildren<TCmDataSet*>()) {
    dataSet->setDatabase(database);
    dataSet->setSQLGlobals(globals);
  }
}
