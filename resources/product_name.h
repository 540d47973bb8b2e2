// The product's short name: the program group, the uninstall record's key and its display name.
// The installer reads it as catalogue text 98; the uninstaller, which finds the record by it,
// is built with the same text.
#pragma once
#define PRODUCT_SHORT_NAME "Brisvane!"
