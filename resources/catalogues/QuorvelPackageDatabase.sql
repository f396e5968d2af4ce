-- Stored packages. The app ships this catalogue empty: the two standard packages (-2 and -1) are
-- written at the first start, the user's own packages (1 and above) when they are saved.

CREATE TABLE PackageData (
  packageId INTEGER PRIMARY KEY,
  lensManufacturerId INTEGER,
  cameraFormatId INTEGER,
  adapterId INTEGER,
  frameGuideId INTEGER,
  frameGuideShading INTEGER,
  frameGuideColor INTEGER,
  packageName TEXT,
  cropId INTEGER
);

-- One row per lens of a package.
CREATE TABLE PackageLensData (
  lensPackageId INTEGER PRIMARY KEY,
  packageId INTEGER,
  lensID INTEGER
);
CREATE INDEX PackageLensDataByPackage ON PackageLensData (packageId);
