// The texts the run shows. Every message ends with two ideographic spaces, part of the text.
#pragma once

namespace popuran {

inline constexpr const char* kApplicationTitle =
    "ぽぷらん - キャラクタ画像作成ツール for 窓辺のこびと";
inline constexpr const char* kMessageCaption = "ぽぷらん";

inline constexpr const char* kIndexNotFoundText =
    "指定されたToHeart2インデクスが見つかりません　　";
inline constexpr const char* kDataNotFoundText = "関連するToHeart2データが見つかりません　　";
inline constexpr const char* kExecutableNotFoundText =
    "窓辺のこびと実行ファイルが見つかりません　　";
inline constexpr const char* kConfirmQuestion = "実行しますか？\r\n\r\n";
inline constexpr const char* kConfirmNote =
    "（実行前に窓辺のこびとが実行中なら終了してください）　　";
inline constexpr const char* kCompletedText = "成功した模様です。窓辺のこびとを起動します　　";
inline constexpr const char* kNotPackText = "ToHeart2ファイルではありませんでした　　";

}  // namespace popuran
