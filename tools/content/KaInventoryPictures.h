#ifndef KA_INVENTORY_PICTURES_H
#define KA_INVENTORY_PICTURES_H

#include <filesystem>

// Paints the pictures of the inventory, its objects and the phone under
// root, in the game's layout ("Inventory/Objects/<id>.png", ...). Returns
// the number of pictures that could not be written.
int paintInventoryPictures(const std::filesystem::path& root);

#endif
