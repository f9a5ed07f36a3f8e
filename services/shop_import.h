#pragma once
// Loading an online shop item's pictures into the album: net/product_loader fetches, this adds.
// Both front ends call importShopItem. The window downloads on a worker thread and adds each
// picture on its own thread through the context's callbacks; the terminal hands in the album
// (AlbumTarget) and the pictures go straight into it. Failures come back through the context's
// `failed` as values, the full album's last; only the front ends show or print them.
//
// The header brings the loader's own types along (NetConfig, HttpClient, ProductLoadRequest),
// so a front end needs nothing from net/ beside it.
#include "album/album_model.h"
#include "net/net_config.h"
#include "net/product_loader.h"

#include <string>
#include <vector>

namespace velomira {

// The message that ends a run at a full album.
Failure albumFullFailure();

// Runs the route the loader mode chooses. Returns the number of pictures added.
int importShopItem(ProductFetchContext& context, const ProductLoadRequest& request);

// Where the terminal's pictures go, and how they are added.
struct AlbumTarget {
    AlbumProject& project;
    TransitionRandom& random; // the items' transitions and the file names
    bool autoOrient = true;   // pictures are turned upright by their EXIF orientation
};

// The same into the album: the context's file name draws, album check and picture taking come
// from `album`, a refused picture's line goes to appendInfo.
int importShopItem(ProductFetchContext context, const AlbumTarget& album,
                   const ProductLoadRequest& request);
// Downloads pasted picture addresses in order into the album.
int importShopPictures(ProductFetchContext context, const AlbumTarget& album,
                       const std::vector<std::string>& addresses);

} // namespace velomira
