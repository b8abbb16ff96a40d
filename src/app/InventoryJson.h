#pragma once

#include "app/JsonWriter.h"
#include "inventory/Inventory.h"

#include <optional>

// The machine's inventory as --json's "machine": an object of its facts, a
// missing one null or an empty list; null for this machine.
void writeInventory(JsonWriter& json, const std::optional<inventory::Inventory>& inventory);
