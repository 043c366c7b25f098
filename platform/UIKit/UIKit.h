#pragma once

// Everything a plug-in may use of UIKit.

#include <UIKit/CGGeometry.h>
#include <UIKit/UIButton.h>
#include <UIKit/UIColor.h>
#include <UIKit/UIControl.h>
#include <UIKit/UIImage.h>
#include <UIKit/UIImageView.h>
#include <UIKit/UILabel.h>
#include <UIKit/UIView.h>
