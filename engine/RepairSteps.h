#pragma once

namespace engine {

struct RunContext;

// The repairs that follow the table import, each run under its step code by the
// step sequence. All statements go to the target; RepairContacts asks the source
// whether it has a table o_position. Errors pass out unchanged.

// Step "13": contact links cleared (source has o_position) or CRM switches off.
void RepairContacts(RunContext& ctx);
// Step "14", first half: account-set parameters.
void RepairAccountSettings(RunContext& ctx);
// Step "14", second half: goods flags.
void RepairMasterData(RunContext& ctx);
// Step "15": employee duty names become categories of kind 122, duties their ids.
void RepairEmployeeDuties(RunContext& ctx);
// Step "19": initial-data copies of the fixed-asset cards with initflag 1.
void RepairFixedAssetInitData(RunContext& ctx);

}  // namespace engine
