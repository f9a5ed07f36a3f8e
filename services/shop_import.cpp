#include "services/shop_import.h"

#include "services/picture_batch.h"

namespace velomira {

namespace {

int reported(ProductFetchContext& context, FetchOutcome outcome) {
    if (outcome.albumFull && context.failed)
        context.failed(albumFullFailure());
    return outcome.added;
}

void aimAtAlbum(ProductFetchContext& context, const AlbumTarget& album) {
    AlbumProject* project = &album.project;
    TransitionRandom* random = &album.random;
    const bool autoOrient = album.autoOrient;
    auto appendInfo = context.appendInfo;
    context.drawNumber = [random](int low, int high) { return random->draw(low, high); };
    context.albumFull = [project] { return albumItemCount(*project) >= maxPictures; };
    context.takePicture = [project, random, appendInfo, autoOrient](const std::string& path) {
        // The checks a local file gets, the decode included: a picture too large to read is
        // refused by name when it arrives, not at its turn in the video.
        const AddPictureResult result = addListPicture(*project, *random, path, -1,
                                                       PictureAddingSettings{{}, false, autoOrient})
                                            .result;
        if (result.status == AddPictureStatus::Refused && appendInfo)
            appendInfo(result.infoLine);
        return result.status == AddPictureStatus::Added     ? PictureTaken::Added
               : result.status == AddPictureStatus::Refused ? PictureTaken::Refused
                                                            : PictureTaken::AlbumFull;
    };
}

} // namespace

Failure albumFullFailure() {
    return Failure{albumFullMessage(), "提示", MessageKind::Warning};
}

int importShopItem(ProductFetchContext& context, const ProductLoadRequest& request) {
    return reported(context, fetchProductPictures(context, request));
}

int importShopItem(ProductFetchContext context, const AlbumTarget& album,
                   const ProductLoadRequest& request) {
    aimAtAlbum(context, album);
    return importShopItem(context, request);
}

int importShopPictures(ProductFetchContext context, const AlbumTarget& album,
                       const std::vector<std::string>& addresses) {
    aimAtAlbum(context, album);
    return reported(context, downloadPictureList(context, addresses));
}

} // namespace velomira
